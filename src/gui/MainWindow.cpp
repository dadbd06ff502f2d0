#include "gui/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "gui/Controls.h"
#include "gui/Look.h"

namespace pvx {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string s(const QString& q) {
  return q.toStdString();
}

}  // namespace

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromUtf8(kTitle));
  setWindowIcon(look::programIcon());
  // The system's face for the text boxes and status lines, or one that stands in for it where it
  // is missing (Segoe UI under Wine).
  setFont(look::sansSerif(font().family()));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  look::paintBackground(*client);
  setClientTwips(*client, 6435, 4785);
  setCentralWidget(client);

  // The duel boxes' tips say what their placeholders stand for.
  constexpr const char* engageTip =
      "Said when you start a duel: %s is your name, %d your opponent's";
  constexpr const char* lostTip = "Said when you lose a duel: %s is your name, %d your opponent's";
  constexpr const char* wonTip = "Said when you win a duel: %s is your name, %d your opponent's";
  using controls::Place;
  controls::label(*client, "Label1", QStringLiteral("Duel Engage:"), Place{840, 720, 1425, 375},
                  {.tip = engageTip, .align = Qt::AlignRight});
  engageBox_ =
      controls::textBox(*client, "txtDuelEngage", Place{2400, 720, 3735, 375}, {.tip = engageTip});
  controls::label(*client, "Label2", QStringLiteral("Duel Lost:"), Place{840, 1320, 1455, 375},
                  {.tip = lostTip, .align = Qt::AlignRight});
  lostBox_ =
      controls::textBox(*client, "txtDuelLost", Place{2400, 1320, 3735, 375}, {.tip = lostTip});
  controls::label(*client, "Label3", QStringLiteral("Duel Won:"), Place{1200, 1920, 1095, 375},
                  {.tip = wonTip});
  wonBox_ = controls::textBox(*client, "txtDuelWon", Place{2400, 1920, 3735, 375}, {.tip = wonTip});

  newestText_ = controls::statusLabel(*client, "ChatText", Place{0, 2640, 6420, 330},
                                      {.tip = "The newest text in the game's console"});
  QFont verdana = look::sansSerif(QStringLiteral("Verdana"));
  verdana.setPointSizeF(8.25);
  newestText_->setFont(verdana);

  backButton_ = controls::button(*client, "cmdBack", QStringLiteral("Back to Game"), 13.5,
                                 Place{600, 3240, 2175, 495},
                                 {.tip = "Bring the game's window back to the screen"});
  playlistButton_ = controls::button(*client, "cmdViewPlay", QStringLiteral("Playlist"), 13.5,
                                     Place{3600, 3240, 2175, 495},
                                     {.tip = "Show or hide the music player below"});
  statusLine_ =
      controls::statusLabel(*client, "lblPlatform", Place{0, 4320, 6495, 405},
                            {.tip = "Your name in the game, and the system Parlevox runs on"});

  // The hidden text boxes that name the console window, outside the client area.
  QLineEdit* consoleTitle = controls::textBox(*client, "Text1", Place{7000, 0, 1200, 285});
  consoleTitle->setText(QStringLiteral("Jedi Knight Academy MP Console"));
  consoleTitle->hide();
  controls::textBox(*client, "Text2", Place{7000, 300, 1200, 285})->hide();
  // What the user types into a duel box goes to the message set at once.
  for (const DuelText which : {DuelText::Engage, DuelText::Won, DuelText::Lost}) {
    connect(duelBox(which), &QLineEdit::textEdited, this,
            [this, which](const QString& t) { emit duelTextEdited(which, t); });
  }

  connect(backButton_, &QPushButton::clicked, this, &MainWindow::backClicked);
  connect(playlistButton_, &QPushButton::clicked, this, &MainWindow::viewPlayClicked);

  // The menus and File's items carry mnemonics (Alt+F opens File), the captions unchanged.
  QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  fileMenu->setObjectName(QStringLiteral("mnuFile"));
  QAction* saveItem = fileMenu->addAction(QStringLiteral("&Save"));
  saveItem->setObjectName(QStringLiteral("mnuSave"));
  QAction* openItem = fileMenu->addAction(QStringLiteral("&Open"));
  openItem->setObjectName(QStringLiteral("mnuOpen"));
  QAction* exitItem = fileMenu->addAction(QStringLiteral("E&xit"));
  exitItem->setObjectName(QStringLiteral("mnuExit"));
  connect(saveItem, &QAction::triggered, this, &MainWindow::saveChosen);
  connect(openItem, &QAction::triggered, this, &MainWindow::openChosen);
  connect(exitItem, &QAction::triggered, this, &MainWindow::exitChosen);

  QMenu* messagesMenu = menuBar()->addMenu(QStringLiteral("&Customize Messages"));
  messagesMenu->setObjectName(QStringLiteral("mnuEdit"));
  const char* const messages[] = {"Greeting", "Self inflicting death", "On Self Enter",
                                  "Time/Frag Limit"};
  for (int index = 0; index < 4; ++index) {
    // The four items form one array: they share the name and carry their index.
    QAction* item = messagesMenu->addAction(QString::fromLatin1(messages[index]));
    item->setObjectName(QStringLiteral("mnuMsg"));
    item->setProperty("index", index);
    connect(item, &QAction::triggered, this, [this, index] { emit messageChosen(index); });
  }

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // The window has its final size from creation on, so that centring it before it is first
  // shown uses the right size.
  layout()->activate();
  adjustSize();
}

float MainWindow::screenWidth() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen == nullptr ? 0.0f : static_cast<float>(screen->geometry().width()) * kTwipsPerPixel;
}

float MainWindow::screenHeight() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen == nullptr ? 0.0f
                           : static_cast<float>(screen->geometry().height()) * kTwipsPerPixel;
}

TwipsRect MainWindow::availableArea() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return {};
  const QRect area = screen->availableGeometry();
  return TwipsRect{static_cast<float>(area.x()) * kTwipsPerPixel,
                   static_cast<float>(area.y()) * kTwipsPerPixel,
                   static_cast<float>(area.width()) * kTwipsPerPixel,
                   static_cast<float>(area.height()) * kTwipsPerPixel};
}

std::string MainWindow::statusLine() const {
  return s(statusLine_->text());
}
void MainWindow::setStatusLine(const std::string& text) {
  const QString shown = q(text);
  if (shown == statusLine_->text())
    return;
  statusLine_->setText(shown);
  emit statusLineChanged(shown);
}
std::string MainWindow::chatText() const {
  return s(newestText_->text());
}
void MainWindow::setChatText(const std::string& text) {
  const QString shown = q(text);
  if (shown == newestText_->text())
    return;
  newestText_->setText(shown);
  emit chatTextChanged(shown);
}
bool MainWindow::backButtonVisible() const {
  return !backButton_->isHidden();
}
void MainWindow::setBackButtonVisible(bool visible) {
  backButton_->setVisible(visible);
}
void MainWindow::editDuelText(DuelText which, const std::string& text) {
  QLineEdit* box = duelBox(which);
  box->setText(q(text));
  emit duelTextEdited(which, box->text());
}

void MainWindow::setDuelText(DuelText which, const std::string& text) {
  // The box may already show it (the user typed it): setting it again would move the cursor.
  QLineEdit* box = duelBox(which);
  if (s(box->text()) != text)
    box->setText(q(text));
}

QLineEdit* MainWindow::duelBox(DuelText which) const {
  switch (which) {
    case DuelText::Engage:
      return engageBox_;
    case DuelText::Won:
      return wonBox_;
    case DuelText::Lost:
      break;
  }
  return lostBox_;
}

void MainWindow::setMaximized(bool maximized) {
  setWindowState(maximized ? (windowState() | Qt::WindowMaximized)
                           : (windowState() & ~Qt::WindowMaximized));
}

void MainWindow::takeFocus() {
  activateWindow();
  raise();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window in any way ends the program.
  event->accept();
  emit exitChosen();
}

}  // namespace pvx
