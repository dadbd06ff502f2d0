#pragma once

#include <filesystem>
#include <string>

#include "core/messages/MessageSet.h"
#include "core/windows/WindowPorts.h"

#include "core/text/CodePage.h"

namespace pvx {

// A message set on disk: the header, the three duel message templates and the four messages with
// their flags, twelve lines in all, each ending in CR LF:
//   Parlevocs [ZB] Vendrix / engage / won / lost / greeting / " 1 " / self-kill / " 0 " /
//   own entry / " 0 " / limit / " 0 "
// File -> Save writes one under a name in "Saves"; File -> Open reads any file chosen in the
// dialog; the chat command "!load" reads one from "Saves" by its name.
class MessageSetFile {
 public:
  static constexpr const char* kHeader = "Parlevocs [ZB] Vendrix";
  static constexpr const char* kFilter = "Parlevocs  (*.pvx)|*.pvx";
  static constexpr const char* kSavePrompt =
      "Enter the name of the file you want to open (exlude the extension.)";
  static constexpr const char* kSaveTitle = "Save Messages";
  static constexpr const char* kHeaderMessage =
      "Header is not correct type. Can't continue to open.";

  enum class ReadResult { Loaded, WrongHeader, Failed };

  // programFolder: where "Saves" lies.
  // encoding: how the files store their lines.
  MessageSetFile(Messages& messages, DialogPort& dialogs, std::filesystem::path programFolder,
                 FileEncoding encoding = FileEncoding())
      : messages_(messages),
        dialogs_(dialogs),
        programFolder_(std::move(programFolder)),
        encoding_(encoding) {}

  // File -> Save: asks for a name and writes the current set under it; a failure is shown in
  // the failure message box and leaves an older file of that name whole.
  void save();
  // File -> Open: reads the file chosen in the dialog, which starts in "Saves" where Save
  // writes; failures are shown in message boxes.
  void open();
  // Reads the set of that name from "Saves". False when it could not be read whole: a missing
  // file, a wrong header (after its message box), a short file or a bad flag line. A name that
  // reaches outside "Saves" fails as a missing file would.
  bool loadMessageSet(const std::string& name);

  // Reads a file, storing each value as soon as its line is read, so a failure keeps what came
  // before it. failure: a description for the user when the result is Failed.
  ReadResult read(const std::filesystem::path& file, std::string& failure);
  // Writes the set in use; returns a description of the failure, empty on success.
  std::string write(const std::filesystem::path& file);
  // Where the set of a name lies: the program's folder, "/Saves/", the name, ".pvx".
  std::filesystem::path named(const std::string& name) const;
  // The folder "Saves" as path text.
  std::string savesFolder() const;

  // A flag line: a number from 0 to 255, blanks around it allowed; a fraction is rounded half to
  // even. False when the line is not such a number.
  static bool parseFlag(const std::string& line, std::uint8_t& flag);
  // " 1 " for 1.
  static std::string flagLine(std::uint8_t flag);

 private:
  Messages& messages_;
  DialogPort& dialogs_;
  std::filesystem::path programFolder_;
  FileEncoding encoding_;
};

}  // namespace pvx
