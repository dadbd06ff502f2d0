#pragma once

#include <QCoreApplication>
#include <memory>

#include "app/Program.h"
#include "core/time/VirtualClock.h"
#include "support/TestFolder.h"

namespace pvx::testing {

// The whole program with its real windows, offscreen, against the practice game on virtual time,
// in a program folder of its own that goes away with it.
struct RunningProgram {
  explicit RunningProgram(ProgramOptions options = {}) {
    options.programFolder = folder.path;
    options.clock = &clock;
    options.showPracticeWindow = false;
    program = std::make_unique<Program>(std::move(options));
    program->start();
    QCoreApplication::processEvents();
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  Program* operator->() { return program.get(); }

  // Made first, so that it goes last: the program goes before its folder and its clock.
  TestFolder folder;
  VirtualClock clock;
  std::unique_ptr<Program> program;
};

}  // namespace pvx::testing
