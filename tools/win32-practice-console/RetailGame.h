#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pvx::practice {

// The game's side of its console window, without the window: what the retail game does with a
// line entered in the console's input line, from the Enter to the commands it runs and what its
// server makes of them. Every byte is the game's (the system's ANSI code page). The host (the Win32
// practice console) owns the windows, the clock and the loop; this class is told when the player
// pressed Enter, when the game reads its console input, and what time it is.
//
// Every event is handed to record() as a word and its details; PracticeControl.h describes the
// record these make.
class RetailGame {
 public:
  static constexpr const char* kDefaultName = "Padawan";
  // The buffer of lines entered and not yet read: 512 bytes, of which one Enter appends at most
  // 507 (the bound the game passes to strncat) and a line feed.
  static constexpr std::size_t kUnreadSize = 512;
  static constexpr std::size_t kUnreadBound = kUnreadSize - 5;
  // The console field the game copies every entered line into, without a bound; the player's
  // key bindings follow it in memory.
  static constexpr std::size_t kFieldSize = 256;
  // What the input line hands over (GetWindowText into 1024 bytes).
  static constexpr std::size_t kInputMax = 1023;
  // The command buffer takes lines of at most 1023 bytes (the byte after them is lost).
  static constexpr std::size_t kCommandLineMax = 1023;
  // The server ignores a client's command that comes sooner than this after its previous one.
  static constexpr std::int64_t kFloodMs = 1000;

  struct Server {
    // How long a command takes to the server and its answer back; 0: answered at once.
    std::int64_t roundTripMs = 0;
    // The server's flood protection (sv_floodProtect).
    bool floodProtect = false;
  };

  using Record = std::function<void(std::string_view event, std::string_view details)>;
  using Print = std::function<void(std::string_view ansiText)>;

  RetailGame(std::string_view ansiName, Server server, Record record, Print print);

  // Enter on the input line holding these bytes (already cut to kInputMax by the host): the
  // line joins the buffer of unread lines and the console field, and is echoed with "]".
  void enter(std::string_view ansiLine);
  // The game reads its console input (once a pump of its messages is over) and runs what it
  // read. nowMs: the host's clock.
  void readInput(std::int64_t nowMs);
  // The server's answers that have come back by nowMs are printed.
  void serverAnswers(std::int64_t nowMs);
  // The earliest moment a server answer is due, or -1.
  std::int64_t nextAnswerMs() const;
  // Runs one command line as the game's command buffer does (the Quit button's "quit").
  void runText(std::string_view text, std::int64_t nowMs);

  bool quitAsked() const { return quitAsked_; }
  // Whether the server would take a command of the player's at nowMs.
  bool serverTakes(std::int64_t nowMs) const {
    return !server_.floodProtect || !anyServerCommand_ || nowMs >= nextReliableMs_;
  }
  const std::string& name() const { return name_; }
  bool hasUnread() const { return !unread_.empty(); }

  // The game's tokenizer: words split at blanks and control bytes, a double-quoted word kept
  // whole, "//" ending the line and "/* ... */" skipped outside quotes.
  static std::vector<std::string> tokenize(std::string_view text);

 private:
  void execute(std::string_view line, std::int64_t nowMs);
  void toServer(std::string_view command, const std::vector<std::string>& args, std::int64_t nowMs);
  void answerLater(std::string ansiText, std::int64_t nowMs);

  std::string name_;
  Server server_;
  Record record_;
  Print print_;
  std::string unread_;
  bool quitAsked_ = false;
  bool anyServerCommand_ = false;
  std::int64_t nextReliableMs_ = 0;
  struct Answer {
    std::int64_t dueMs;
    std::string text;
  };
  std::deque<Answer> answers_;
};

}  // namespace pvx::practice
