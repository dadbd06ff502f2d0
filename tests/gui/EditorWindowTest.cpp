#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/Program.h"
#include "core/time/VirtualClock.h"
#include "support/FakePorts.h"
#include "support/RunningProgram.h"

using namespace pvx;

namespace {

// The editor through its real widgets, offscreen, in the whole program on virtual time.
struct Editor : ::testing::Test {
  void choose(int index) {
    for (QAction* a : program->mainWindow().findChildren<QAction*>("mnuMsg")) {
      if (a->property("index").toInt() == index)
        a->trigger();
    }
  }
  template <class T>
  T* find(const char* name) {
    return program->editorWindow().findChild<T*>(QString::fromLatin1(name));
  }
  QLineEdit* text() { return find<QLineEdit>("txtMessage"); }
  QCheckBox* box() { return find<QCheckBox>("chkEnabled"); }
  void ok() { find<QPushButton>("Command1")->click(); }

  pvx::testing::RunningProgram running;
  VirtualClock& clock = running.clock;
  std::unique_ptr<Program>& program = running.program;
};

QRect twips(int l, int t, int w, int h) {
  return QRect(l / 15, t / 15, w / 15, h / 15);
}

}  // namespace

TEST_F(Editor, HasItsControlsWhereTheyBelong) {
  EXPECT_EQ(find<QLabel>("Label1")->text(), "Message:");
  EXPECT_EQ(find<QLabel>("Label1")->geometry(), twips(240, 720, 1215, 255));
  EXPECT_EQ(text()->geometry(), twips(1560, 720, 2415, 375));
  EXPECT_EQ(box()->text(), "Message Enabled?");
  EXPECT_EQ(box()->geometry(), twips(1680, 1200, 2775, 375));
  EXPECT_EQ(find<QPushButton>("Command1")->text(), "Ok");
  // No title text; an empty title would have the platform fill in the program's name.
  const QString title = program->editorWindow().windowTitle();
  EXPECT_FALSE(title.isEmpty());
  EXPECT_TRUE(title.trimmed().isEmpty()) << title.toStdString();
}

TEST_F(Editor, OpenEditOkThenAnotherMessage) {
  choose(0);
  EXPECT_TRUE(program->editorWindow().isVisible());
  EXPECT_FALSE(program->mainWindow().isVisible());
  EXPECT_TRUE(text()->text().isEmpty());
  EXPECT_EQ(box()->checkState(), Qt::Unchecked);

  text()->setText("Hi %d");
  box()->setChecked(true);
  ok();
  const Messages& messages = program->core().messages();
  EXPECT_EQ(messages.message(MessageKind::Greeting), (Message{"Hi %d", 1}));
  EXPECT_TRUE(text()->text().isEmpty());
  EXPECT_FALSE(program->editorWindow().isVisible());
  EXPECT_TRUE(program->mainWindow().isVisible());

  choose(1);
  EXPECT_TRUE(text()->text().isEmpty());  // the self-kill message, not the greeting
  EXPECT_EQ(box()->checkState(), Qt::Unchecked);
  ok();
  EXPECT_EQ(messages.message(MessageKind::Greeting).text, "Hi %d");

  choose(0);
  EXPECT_EQ(text()->text(), "Hi %d");
  box()->setChecked(false);
  ok();
  EXPECT_EQ(messages.message(MessageKind::Greeting), (Message{"Hi %d", 0}));
}

// The text box says which of its characters the game's code page lacks, and what the game shows
// instead, as soon as they are typed, and no longer once they are gone.
TEST_F(Editor, CharactersTheGameCannotShowAreToldInTheTextBox) {
  choose(0);
  const QString plain = text()->toolTip();
  text()->setText(QString::fromUtf8("Cze\u015b\u0107 %d, \u00e9t\u00e9"));
  EXPECT_EQ(text()->toolTip(),
            plain + QString::fromUtf8("\nThe game will show \"\u015b\" as \"?\" and \"\u0107\" as "
                                      "\"?\" (its code page 1252 lacks them)."));
  text()->setText(QString::fromUtf8("\u00e9t\u00e9 %d"));
  EXPECT_EQ(text()->toolTip(), plain);
}

TEST_F(Editor, AnOddFlagIsShownWithoutFailingAndStoredAsOne) {
  program->core().messages().setMessage(MessageKind::Limit, Message{"", 7});
  choose(3);
  EXPECT_EQ(box()->checkState(), Qt::PartiallyChecked);
  ok();
  EXPECT_EQ(program->core().messages().message(MessageKind::Limit).enabled, 1);
}

TEST_F(Editor, ClosingByTheFrameStoresNothingAndBringsTheMainWindowBack) {
  choose(2);
  text()->setText("discarded");
  box()->setChecked(true);
  program->editorWindow().close();
  EXPECT_FALSE(program->editorWindow().isVisible());
  EXPECT_TRUE(program->mainWindow().isVisible());
  EXPECT_EQ(program->core().messages().message(MessageKind::OwnEntry), Message{});
  choose(2);
  EXPECT_TRUE(text()->text().isEmpty());
}

TEST_F(Editor, RepliesGoOnWithTheStoredValuesWhileEditing) {
  program->core().messages().setMessage(MessageKind::Limit, Message{"old", 1});
  clock.runFor(10);
  choose(3);
  text()->setText("new");
  PracticeConsole& practice = *program->practice();
  practice.game().print("Timelimit hit.");
  clock.runFor(600);
  EXPECT_NE(practice.game().log().find("]say old"), std::string::npos);
}

TEST(MessageSetMenus, SaveAndOpenGoThroughTheDialogs) {
  pvx::testing::FakeDialogs dialogs;
  ProgramOptions options;
  options.dialogs = &dialogs;
  pvx::testing::RunningProgram program(std::move(options));
  const std::filesystem::path folder = program.folder.path;
  program->mainWindow().editDuelText(DuelText::Won, "%s beat %d");

  program->mainWindow().findChild<QAction*>("mnuSave")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "Saves" / "main.pvx"));

  program->mainWindow().editDuelText(DuelText::Won, "changed");
  dialogs.file = (folder / "Saves" / "main.pvx").string();
  program->mainWindow().findChild<QAction*>("mnuOpen")->trigger();
  EXPECT_EQ(program->mainWindow().findChild<QLineEdit*>("txtDuelWon")->text(), "%s beat %d");
  EXPECT_TRUE(dialogs.boxes.empty());
}

namespace {
void pressKey(QWidget& w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&w, &release);
}
}  // namespace

TEST_F(Editor, OpensWithTheFocusInItsTextBoxEvenAfterOkHadIt) {
  choose(0);
  EXPECT_EQ(program->editorWindow().focusWidget(), text());
  // The user tabs to Ok and presses it; opened again, the editor still takes typing.
  find<QPushButton>("Command1")->setFocus();
  ASSERT_EQ(program->editorWindow().focusWidget(), find<QPushButton>("Command1"));
  ok();
  choose(1);
  EXPECT_EQ(program->editorWindow().focusWidget(), text());
}

TEST_F(Editor, EscapeClosesItAsItsFrameDoesStoringNothing) {
  program->core().messages().setMessage(MessageKind::Greeting, Message{"kept", 1});
  choose(0);
  text()->setText("discarded");
  box()->setChecked(false);
  pressKey(*text(), Qt::Key_Escape);
  EXPECT_FALSE(program->editorWindow().isVisible());
  EXPECT_TRUE(program->mainWindow().isVisible());
  EXPECT_EQ(program->core().messages().message(MessageKind::Greeting), (Message{"kept", 1}));
  // Escape from the check box and from Ok as well.
  for (const char* control : {"chkEnabled", "Command1"}) {
    choose(0);
    pressKey(*find<QWidget>(control), Qt::Key_Escape);
    EXPECT_FALSE(program->editorWindow().isVisible()) << control;
    EXPECT_TRUE(program->mainWindow().isVisible()) << control;
  }
}

TEST_F(Editor, TheFocusedButtonShowsAFocusMark) {
  choose(0);
  MessageEditorWindow& editor = program->editorWindow();
  QPushButton& button = *find<QPushButton>("Command1");
  editor.activateWindow();
  QApplication::processEvents();
  const QImage withoutFocus = button.grab().toImage();
  button.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(button.hasFocus());
  const QImage withFocus = button.grab().toImage();
  EXPECT_NE(withFocus, withoutFocus);
  // The mark is drawn in the program's yellow.
  EXPECT_EQ(withFocus.pixelColor(0, button.height() / 2), QColor(255, 255, 0));
}
