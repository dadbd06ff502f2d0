// parlevox.exe started beside the game the way README.md tells a Linux player of the retail game
// to start it through Steam's Proton: each of its commands read from README.md and run as written,
// only the path to parlevox.exe filled in, in a Steam tree made on the spot around the tests' own
// Wine prefix (the game's prefix, compatdata/6020/pfx), with Debian's wine in the place of Proton's
// and of protontricks'. The program, started in the prefix where the game already runs, finds the
// game's console and learns the player's name.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "retail/RetailRecord.h"
#include "wine-gui/ParlevoxUnderWine.h"

using pvx::testing::ParlevoxProcess;
using pvx::testing::retail::figure;

namespace {

namespace fs = std::filesystem;

// The path README.md's commands give for the program.
constexpr const char* kPlaceholder = "/path/to/parlevox.exe";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A Unix path as Wine's drive Z: shows it.
fs::path throughDriveZ(const std::string& unixPath) {
  std::string windows = "Z:" + unixPath;
  for (char& c : windows)
    if (c == '/')
      c = '\\';
  return pvx::testing::wide(windows);
}

// The shell blocks (```sh) of README.md's section whose heading holds the title, up to the next
// heading.
std::vector<std::string> shellBlocks(const std::string& title) {
  std::ifstream in(throughDriveZ(PARLEVOX_README), std::ios::binary);
  std::vector<std::string> blocks;
  bool inSection = false;
  bool inFence = false;
  bool inBlock = false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("```", 0) == 0) {
      inFence = !inFence;
      inBlock = inFence && inSection && line == "```sh";
      if (inBlock)
        blocks.emplace_back();
      continue;
    }
    if (inBlock)
      blocks.back() += line + "\n";
    else if (!inFence && line.rfind("#", 0) == 0)
      inSection = line.find(title) != std::string::npos;
  }
  return blocks;
}

// The Steam tree made on the spot: the game's compat data is the prefix the tests (and so the
// game) run in; Proton's "run" verb and protontricks-launch run Debian's wine there, as Proton and
// protontricks run theirs. Then the README's command, its program's standard error kept.
const char* const kSteamTree = R"sh(set -eu
export HOME="$(mktemp -d)"
trap 'rm -rf "$HOME"' EXIT
steam="$HOME/.steam/steam"
mkdir -p "$steam/steamapps/compatdata/6020" "$steam/steamapps/common/Proton 8.0" "$HOME/bin"
ln -s "$WINEPREFIX" "$steam/steamapps/compatdata/6020/pfx"
cat >"$steam/steamapps/common/Proton 8.0/proton" <<'END'
#!/bin/sh
[ "$1" = run ] || { echo "proton: no verb run: $1" >&2; exit 64; }
shift
[ -n "${STEAM_COMPAT_CLIENT_INSTALL_PATH:-}" ] || { echo "proton: no Steam client" >&2; exit 64; }
WINEPREFIX="$STEAM_COMPAT_DATA_PATH/pfx" exec "${WINE:-wine}" "$@"
END
cat >"$HOME/bin/protontricks-launch" <<'END'
#!/bin/sh
[ "$1" = --appid ] || { echo "protontricks-launch: no --appid" >&2; exit 64; }
prefix="$HOME/.steam/steam/steamapps/compatdata/$2/pfx"
shift 2
WINEPREFIX="$prefix" exec "${WINE:-wine}" "$@"
END
chmod +x "$steam/steamapps/common/Proton 8.0/proton" "$HOME/bin/protontricks-launch"
export PATH="$HOME/bin:$PATH"
exe=$(find "$PARLEVOX_WINDOWS_APP_PARENT" -name parlevox.exe | head -n 1)
export PARLEVOX_REPORT_STATUS=1
)sh";

struct Command {
  const char* name;
  const char* holds;  // what tells the command among the section's blocks
};

const Command kCommands[] = {
    {"ProtontricksLaunch", "protontricks-launch --appid 6020 /path/to/parlevox.exe"},
    {"ProtonRun", "/proton\" run /path/to/parlevox.exe"},
};

class RetailProgramProtonUnderWine : public pvx::testing::ParlevoxUnderWine,
                                     public ::testing::WithParamInterface<Command> {
 protected:
  std::vector<std::string> gameArguments() const override {
    return {"--name", kPlayer, "--hidden"};
  }

  // The status lines the program started by the command reported.
  std::vector<std::string> statusLines() const {
    std::ifstream in(throughDriveZ(errorsPath), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      if (line.rfind("parlevox: status ", 0) == 0)
        lines.push_back(line.substr(17));
    }
    return lines;
  }

  // Runs the shell script from this Windows program: Wine executes a Unix program as itself.
  ::testing::AssertionResult runShell(const std::string& script) {
    const std::string scriptPath = parent + "/proton-launch.sh";
    {
      std::ofstream out(throughDriveZ(scriptPath), std::ios::binary | std::ios::trunc);
      out << script;
    }
    std::wstring commandLine = pvx::testing::wide("/bin/sh " + scriptPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
      return ::testing::AssertionFailure() << "cannot run /bin/sh (error " << GetLastError() << ")";
    if (info.hThread != nullptr)
      CloseHandle(info.hThread);
    if (info.hProcess != nullptr)
      CloseHandle(info.hProcess);
    return ::testing::AssertionSuccess();
  }

  const std::string parent = environment("PARLEVOX_WINDOWS_APP_PARENT");
  const std::string errorsPath = parent + "/proton-stderr.txt";
};

TEST_P(RetailProgramProtonUnderWine, TheProgramStartedAsTheReadmeSaysFindsTheGameAndLearnsTheName) {
  std::string command;
  for (const std::string& block : shellBlocks("Proton"))
    if (block.find(GetParam().holds) != std::string::npos)
      command = block;
  ASSERT_FALSE(command.empty()) << "README.md's Proton section has no command with \""
                                << GetParam().holds << "\"";
  command.replace(command.find(kPlaceholder), std::string(kPlaceholder).size(), "\"$exe\"");

  // The program the fixture started leaves; the README's command starts it again.
  program.reset();
  const std::int64_t from = game->record().back().ms + 1;
  fs::remove(throughDriveZ(errorsPath));
  ASSERT_TRUE(runShell(std::string(kSteamTree) + "{\n" + command + "} 2>\"" + errorsPath + "\"\n"));

  const std::string wanted = "[ Current Player: " + kPlayer + "  OS: ";
  const bool learned = ParlevoxProcess::waitUntil([&] {
    const std::vector<std::string> lines = statusLines();
    return !lines.empty() && lines.back().rfind(wanted, 0) == 0;
  });
  std::ostringstream reported;
  for (const std::string& line : statusLines())
    reported << "\n  " << line;
  EXPECT_TRUE(learned) << "the program started by the README's command never named the player; "
                          "its status lines:"
                       << reported.str();
  EXPECT_NE(pvx::testing::retail::first(game->record(), "run", "name", from), nullptr)
      << "the game was never asked the name";
  if (learned)
    figure(std::string(GetParam().name) + ": " + statusLines().back());

  // Closing the main window ends it, as File -> Exit does.
  const wchar_t* const title = L"Parlevox V1.1 by [ZB] \u00ACvendrix\u00AC";
  if (const HWND started = FindWindowW(nullptr, title))
    PostMessageW(started, WM_CLOSE, 0, 0);
  EXPECT_TRUE(ParlevoxProcess::waitUntil([&] { return FindWindowW(nullptr, title) == nullptr; }))
      << "the program started by the README's command did not end";
}

INSTANTIATE_TEST_SUITE_P(, RetailProgramProtonUnderWine, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<Command>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
