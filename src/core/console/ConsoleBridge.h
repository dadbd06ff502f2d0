#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/console/Typist.h"
#include "core/console/WindowSystem.h"
#include "core/text/CodePage.h"
#include "core/time/Clock.h"
#include "core/time/Task.h"

namespace pvx {

// What the bridge asks of the watch cycle, which reads the console log.
class LogReader {
 public:
  virtual ~LogReader() = default;
  // A look at the log while the routine that holds the typing waits: whether it gained, since
  // the cycle last read it and since the last look, a line of the local player's own doing that
  // went to the server, and if so the moment by which it was printed. The text is left for the
  // cycle to read.
  virtual Task<std::optional<std::int64_t>> lookWhileWaiting() = 0;
  // What was handed over while a cycle held the typing has been typed: the next cycle may start.
  virtual void typingFree() = 0;
};

// The program's only way to the game: it finds the game's console window and its log, reads the
// log, types one command into the console's input line, and waits between typed commands; it
// also finds, shows and hides the game's main window and moves the taskbar.
//
// A question to the game's windows (a text, its length, a line of the log) is awaited: the
// routine that asks is suspended until the game has answered, and the program goes on meanwhile
// (beside the real game the answer comes back through the event loop; the simulated window system
// answers at once). What others hand over meanwhile is typed after the routine, as during a wait.
//
// What is typed keeps the order in which the program decided it. The routine that holds the
// typing (the watch cycle, with the replies and the chat commands it runs) types as it goes, and
// its waits suspend it, not the program: what anyone else hands over meanwhile (a click on Next
// announcing its track, "Back to Game", the end of a track) waits until the routine has ended,
// and is then typed in the order handed over, by a routine of the bridge's own that holds the
// typing in its turn (and the next cycle waits for it).
class ConsoleBridge {
 public:
  // The retail game's windows: its console window and its main window (the class's "®" is
  // byte 0xAE in the game's code page).
  static constexpr const char* kConsoleTitle = "Jedi Knight Academy MP Console";
  static constexpr const char* kConsoleClass = "JAMP WinConsole";
  static constexpr const char* kGameWindowClass = "Jedi Knight®: Jedi Academy (MP)";
  static constexpr const char* kNoText = ">No text for this class<";
  // The longest line the game takes, in bytes of its code page: the retail console copies every
  // entered line into a field of 256 bytes that the player's key bindings follow, and OpenJK
  // reads its input in pieces of 256 bytes.
  static constexpr std::size_t kMaxLineBytes = 255;
  // The console's Clear button, its third child.
  static constexpr int kClearButtonChild = 3;
  static constexpr const char* kClearButtonText = "Clear";

  // typist: where the typing runs (null: at once, through ws); codePage: the game's (the system's
  // ANSI code page beside the real game on Windows, Windows-1252 otherwise).
  ConsoleBridge(WindowSystem& ws, Clock& clock, Typist* typist = nullptr,
                const CodePage& codePage = windows1252())
      : ws_(ws),
        clock_(clock),
        codePage_(codePage),
        inPlace_(ws),
        typist_(typist != nullptr ? *typist : inPlace_) {}

  // The game's code page: what it prints and takes are its bytes.
  const CodePage& codePage() const { return codePage_; }

  // The top-level window titled exactly "Jedi Knight Academy MP Console", of any class; 0 when
  // the game is not running.
  Hwnd findConsoleWindow();
  // The top-level window with that exact title; an empty class filter matches any class.
  Hwnd findWindowByTitle(std::string_view classFilter, std::string_view title);
  // The first top-level window of that class, whatever its title.
  Hwnd findWindowOfClass(std::string_view className);
  // Shows or hides a window of another program, without waiting for it; whether it was visible.
  bool showWindow(Hwnd hwnd, bool show);
  // Moves, sizes or shows a window of another program as SetWindowPos does, without waiting.
  bool setWindowPos(Hwnd hwnd, unsigned flags);
  // Whether the game runs with more rights than the program (started as administrator): then it
  // drops every message of the program, which can neither read nor type.
  bool runsElevated(Hwnd console) { return ws_.runsElevatedAboveUs(console); }
  // Has the window system watch the log's line count for a change from knownLines, every everyMs,
  // where it can (log 0: no longer); whether it watches.
  bool watchLines(Hwnd log, long knownLines, std::int64_t everyMs) {
    return ws_.watchLines(log, knownLines, everyMs);
  }
  long linesWatched() { return ws_.linesWatched(); }
  // The n-th child (1 = first) in the platform's child order; 0 as soon as a step finds none.
  Hwnd nthChildWindow(Hwnd parent, int n);

  // Types the command and a carriage return into the first descendant of the console window
  // whose text is empty, provided no descendant with text comes before it; the walk ends at the
  // first descendant that has text. Every further empty descendant before that one receives an
  // empty line and a carriage return. Without a console window nothing happens; the caller
  // never learns whether the command was typed. A command longer than the game takes is cut to
  // kMaxLineBytes at a character boundary. Beside a real game the typing happens soon after,
  // in the order given.
  //
  // The server ignores a command of a player that comes within a second of his previous one,
  // and each command starts the second again: a "say" is typed no sooner than kChatGapMs after
  // the previous one and after the moment playerActed() was last told, the routine waiting
  // meanwhile as it waits elsewhere. Every wait looks at what the log gained since the cycle read
  // it every kLookWhileWaitingMs and at its end: a line of the player's own doing there holds the
  // next say kChatGapMs from the moment it was seen, so that no say that waited is typed blind.
  // Its text is put in double quotes where it holds "//" or "/*", which the game's tokenizer
  // would otherwise take for a comment and cut off.
  //
  // For the routine that holds the typing, and what it calls: returns once the command is typed.
  Task<void> type(std::string command);
  // For anyone else, and for what the routine calls without waiting (the echo of nextSong):
  // typed at once where nothing waits before it, otherwise handed over to be typed in turn.
  void sendConsoleCommand(std::string_view command);
  // The command as typed: a chat text holding a comment's start in double quotes, all of it cut
  // to the longest line the game takes in its code page.
  static std::string asLine(std::string_view command, const CodePage& codePage = windows1252());

  static constexpr std::int64_t kChatGapMs = 1200;
  static constexpr std::int64_t kLookWhileWaitingMs = 50;
  static constexpr std::int64_t kLookAheadMs = 16;
  // A line of the local player's own doing that went to the server (his chat, a kill, a duel he
  // became engaged in, a rename, his entry, a team change) was printed by the moment printedByMs:
  // the server's second runs from then.
  void playerActed(std::int64_t printedByMs) {
    playerActedMs_ = std::max(playerActedMs_.value_or(printedByMs), printedByMs);
  }
  std::int64_t nowMs() const { return clock_.nowMs(); }

  // The watch cycle takes the typing for its whole run, waits included: false while what others
  // handed over is still being typed (the reader is told typingFree() once it is). What others
  // hand over until releaseTyping() waits for it.
  bool takeTyping();
  void releaseTyping();
  // While the routine that holds the typing yields to pending events, what they type is handed
  // over as if it waited: the guard's life.
  class Aside {
   public:
    explicit Aside(ConsoleBridge& bridge)
        : bridge_(bridge), running_(std::exchange(bridge.holderRunning_, false)) {}
    ~Aside() { bridge_.holderRunning_ = running_; }
    Aside(const Aside&) = delete;
    Aside& operator=(const Aside&) = delete;

   private:
    ConsoleBridge& bridge_;
    bool running_;
  };
  // The watch cycle, which the bridge asks what the log gained (null: nobody).
  void setReader(LogReader* reader) { reader_ = reader; }
  // How many commands wait to be typed in turn.
  std::size_t handedOver() const { return queued_.size(); }

  // Presses the console window's Clear button, which empties the window's log (typing "clear"
  // empties only the game's own console): the third child, when its text is "Clear". Without a
  // console window nothing happens. Typed commands and presses happen in the order given.
  // Given the log, what it holds beyond its first keepFrom characters the moment before the press
  // is kept for textBeforeClear(): the game may have printed it after the caller last read.
  void pressClearButton(Hwnd log = 0, std::size_t keepFrom = std::string::npos);
  // What the presses kept since the last call (the game's code page), and forgets it.
  std::string textBeforeClear();
  // Whether everything typed and pressed has reached the game.
  bool typingDone() { return typist_.idle(); }

  // The error box of a game that stopped with a fatal error: the game then shows its console
  // window with an error box (class "Static") among its children, in place of its input line.
  // 0 while the game runs. Asks the game nothing.
  Hwnd errorBox(Hwnd console);

  // The text up to its first NUL character (all of it without one).
  static std::string cutAtNul(std::string_view text);
  // The command bytes in the game's code page (a character it lacks as the platform's conversion
  // makes it) followed by one NUL.
  static std::vector<char> toAnsiBytes(std::string_view text,
                                       const CodePage& codePage = windows1252());

  // Suspends the routine until the event loop has handled what was waiting: what the events
  // type meanwhile comes after what the routine types.
  Task<void> yieldToEvents();

  // What the program said in the game's chat lately (the text of each "say" it typed into a
  // running console, newest last, at most kSaidKept): the game prints each back as a chat line
  // of the local player, whatever name it knows him by.
  static constexpr std::size_t kSaidKept = 16;
  const std::deque<std::string>& recentlySaid() const { return said_; }

  // The latest command typed, while it waits to be typed: emptied once typed, kept when the walk
  // found no empty child. Exposed for tests.
  std::string pendingCommand() const;

  // Current length of the window's text in characters; 0 for handle 0 or a stale handle;
  // WindowSystem::kNoAnswer when the window gave up answering.
  Task<long> windowTextLength(Hwnd hwnd);
  // The whole current text of the window (UTF-8); for a window whose text length is 0, or that
  // gave up answering, the literal ">No text for this class<". May be shorter than the
  // length measured first when the text shrank in between.
  Task<std::string> readWindowText(Hwnd hwnd);
  // The same text in the game's own single-byte code page, one byte per character, for callers
  // that need only part of a long text converted; nothing when the window gave up answering.
  Task<std::optional<std::string>> readWindowBytes(Hwnd hwnd);

  // The game's answer to a question about one of its windows.
  Task<WindowAnswer> ask(WindowQuestion question);
  // Each read and measure below is asked in turn, as one: a game that answers between its frames
  // answers it in one pass of its event loop.

  // The console log's length in characters, asked so that the game copies out no text: where the
  // window system has line queries, where its last line begins and how long that line is (a
  // question of its length makes Wine copy out the whole text to count it); otherwise its text's
  // length. WindowSystem::kNoAnswer when the log gave up answering. Compare a measure only
  // with another measure.
  Task<long> measureLog(Hwnd log);
  // The same measure and the log's line count (WindowSystem::kNoLines where the window system
  // has no line queries), asked together; where the log shows knownLines lines, only its count:
  // no print came since knownLines was seen.
  // A read of the log: what it holds from a character on (the game's bytes) read as readLogFrom
  // reads it, or where that cannot be done, or from is 0, the whole log as readLogWhole reads it;
  // lineWise tells which. No text when the log did not answer.
  struct LogRead {
    std::optional<std::string> text;
    bool lineWise = false;
  };
  // Where the log grew beyond a measure: the read that asks for, asked along with the measure.
  struct ReadBeyond {
    long measure = 0;
    std::size_t from = 0;
    std::string before;
  };
  struct LogMeasure {
    long lines = -1;
    long length = 0;
    bool linesUnchanged = false;  // then length was not asked
    std::optional<LogRead> read;  // the read along, where the log grew beyond its measure
    // The length is that of the text read along (where no line is copied out and the line count
    // was given, the log is read whole at once instead of measured first).
    bool lengthOfRead = false;
  };
  // lines: its line count, where a question a moment before gave it (it is not asked again).
  Task<LogMeasure> measureLogUnless(Hwnd log, long knownLines,
                                    std::optional<ReadBeyond> readBeyond = std::nullopt,
                                    std::optional<long> lines = std::nullopt);
  Task<LogRead> readLog(Hwnd log, std::size_t from, std::string before);
  // Whether the latest questions were answered later, not at once: a game that answers only
  // between its frames, which a read asked apart from its measure costs a frame more.
  bool answersLater() const { return answersLater_; }
  // How many lines the log shows, in one question that copies no text: every line the game
  // prints ends with a line break, so a print changes it. WindowSystem::kNoLines where the window
  // system has no line queries; kNoAnswer when the log gave up answering.
  Task<long> lineCount(Hwnd log);
  // The whole log (the game's bytes), its length measured as measureLog does: a question of its
  // length would make Wine copy out the whole text a second time. Nothing when it did not answer
  // in time; kNoText when it is empty.
  Task<std::optional<std::string>> readLogWhole(Hwnd log);
  // What the log holds from character from on (the game's bytes), read line by line, so that only
  // the lines from the one that holds from on are copied out. Nothing when the window system has
  // no line queries or the log did not answer, when a line came back shorter than the log said it
  // was, or when what the line that holds from has before it is not how before (what the log held
  // up to from) ends: then the log changed otherwise than by growing, and the caller reads it
  // whole.
  Task<std::optional<std::string>> readLogFrom(Hwnd log, std::size_t from, std::string before);

  // A wait of the routine for Int(seconds * 1000) milliseconds, the single-precision seconds
  // multiplied in double precision: 0.7 waits 699 ms, not 700. The routine is suspended and
  // the program goes on; what others type meanwhile waits for the routine.
  Task<void> waitSeconds(float seconds);
  static long long waitMilliseconds(float seconds);

 private:
  // Asks in turn the questions of asked, which gives what it found from their answers; what
  // others hand over meanwhile waits for them.
  template <class T>
  Task<T> askedInTurn(std::function<T(const WindowSystem::AskNow&)> asked);
  bool answersLater_ = false;

  // The latest command handed over, while it waits to be typed, and the text the presses kept.
  // Shared with the walks, which may run on a thread of their own and finish after the bridge is
  // gone.
  struct Pending {
    std::mutex mutex;
    std::string command;
    std::string beforeClear;
  };

  // Who holds the typing.
  enum class Holder { None, Cycle, HandedOver };

  Task<void> wait(std::int64_t ms);
  // How long a say must still wait for the server's second.
  std::int64_t chatHoldMs() const;
  // Whether a command handed over now can be typed at once.
  bool typesAtOnce(const std::string& line) const;
  // Hands the line (as typed) to the typist; a say is remembered as said.
  void typeNow(Hwnd console, std::string line);
  // Types what others handed over, in order, holding the typing meanwhile.
  void typeHandedOver();
  Task<void> typeHandedOverRoutine();

  // The walk that types line into the first empty descendant of the console.
  static void typeLine(WindowSystem& ws, Hwnd console, const std::string& line,
                       const CodePage& codePage, Pending& pending);
  // One step of the walk: 1 = go on with the next descendant, 0 = stop.
  static long typeIntoEmptyChild(WindowSystem& ws, Hwnd child, std::string& pending,
                                 const CodePage& codePage);
  static Hwnd nthChild(WindowSystem& ws, Hwnd parent, int n);

  WindowSystem& ws_;
  Clock& clock_;
  const CodePage& codePage_;
  TypistInPlace inPlace_;
  Typist& typist_;
  std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
  std::deque<std::string> said_;
  // When the latest "say" was typed and when the player was last seen acting; none yet at start.
  std::optional<std::int64_t> saidMs_;
  std::optional<std::int64_t> playerActedMs_;

  LogReader* reader_ = nullptr;
  Holder holder_ = Holder::None;
  // The holder is running now, not suspended in a wait or aside for pending events.
  bool holderRunning_ = false;
  // What others handed over while the typing was held, in order.
  std::deque<std::string> queued_;
  Task<void> handedOverRoutine_;
};

}  // namespace pvx
