#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <memory>
#include <random>

#include "app/Program.h"
#include "core/time/VirtualClock.h"

namespace pvx::testing {

// The whole program with its real windows, offscreen, against the practice game on virtual time,
// in a program folder of its own that goes away with it.
struct RunningProgram {
  explicit RunningProgram(ProgramOptions options = {}) {
    std::random_device rd;
    folder = std::filesystem::temp_directory_path() / ("parlevox-gui-" + std::to_string(rd()));
    std::filesystem::create_directories(folder);
    options.programFolder = folder;
    options.clock = &clock;
    options.yield = [this] {
      QCoreApplication::processEvents();
      clock.runDue();
    };
    options.showPracticeWindow = false;
    program = std::make_unique<Program>(std::move(options));
    program->start();
    QCoreApplication::processEvents();
  }
  ~RunningProgram() {
    program.reset();
    std::filesystem::remove_all(folder);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  Program* operator->() { return program.get(); }

  VirtualClock clock;
  std::filesystem::path folder;
  std::unique_ptr<Program> program;
};

}  // namespace pvx::testing
