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

#include "gui/Look.h"
#include "gui/QtFormPort.h"

namespace pvx {

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string s(const QString& q) {
  return q.toStdString();
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, Qt::Alignment align,
                  int left, int top, int width, int height, const char* tip) {
  auto* label = new QLabel(text, parent);
  label->setToolTip(QString::fromLatin1(tip));
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(align | Qt::AlignVCenter);
  look::styleLabel(*label);
  placeTwips(*label, left, top, width, height);
  return label;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, int left, int top, int width, int height,
                       const char* tip = nullptr) {
  auto* box = new QLineEdit(parent);
  if (tip != nullptr)
    box->setToolTip(QString::fromLatin1(tip));
  box->setObjectName(QString::fromLatin1(name));
  placeTwips(*box, left, top, width, height);
  return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int left, int top,
                        int width, int height, const char* tip) {
  auto* button = new QPushButton(text, parent);
  button->setToolTip(QString::fromLatin1(tip));
  button->setObjectName(QString::fromLatin1(name));
  look::styleButton(*button, 13.5);
  placeTwips(*button, left, top, width, height);
  return button;
}

QLabel* makeStatusLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                        const char* tip) {
  auto* label = new QLabel(parent);
  label->setToolTip(QString::fromLatin1(tip));
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  // Console text and "<JKA is not running>" are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, look::statusText());
  label->setPalette(p);
  placeTwips(*label, left, top, width, height);
  return label;
}

}  // namespace

MainWindow::MainWindow(std::function<void()> yield) : yield_(std::move(yield)) {
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

  const auto right = Qt::AlignRight;
  // The duel boxes' tips say what their placeholders stand for.
  constexpr const char* engageTip =
      "Said when you start a duel: %s is your name, %d your opponent's";
  constexpr const char* lostTip = "Said when you lose a duel: %s is your name, %d your opponent's";
  constexpr const char* wonTip = "Said when you win a duel: %s is your name, %d your opponent's";
  makeLabel(client, "Label1", QStringLiteral("Duel Engage:"), right, 840, 720, 1425, 375,
            engageTip);
  txtDuelEngage_ = makeTextBox(client, "txtDuelEngage", 2400, 720, 3735, 375, engageTip);
  makeLabel(client, "Label2", QStringLiteral("Duel Lost:"), right, 840, 1320, 1455, 375, lostTip);
  txtDuelLost_ = makeTextBox(client, "txtDuelLost", 2400, 1320, 3735, 375, lostTip);
  makeLabel(client, "Label3", QStringLiteral("Duel Won:"), Qt::AlignLeft, 1200, 1920, 1095, 375,
            wonTip);
  txtDuelWon_ = makeTextBox(client, "txtDuelWon", 2400, 1920, 3735, 375, wonTip);

  chatText_ = makeStatusLabel(client, "ChatText", 0, 2640, 6420, 330,
                              "The newest text in the game's console");
  QFont verdana = look::sansSerif(QStringLiteral("Verdana"));
  verdana.setPointSizeF(8.25);
  chatText_->setFont(verdana);

  cmdBack_ = makeButton(client, "cmdBack", QStringLiteral("Back to Game"), 600, 3240, 2175, 495,
                        "Bring the game's window back to the screen");
  cmdViewPlay_ = makeButton(client, "cmdViewPlay", QStringLiteral("Playlist"), 3600, 3240, 2175,
                            495, "Show or hide the music player below");
  lblPlatform_ = makeStatusLabel(client, "lblPlatform", 0, 4320, 6495, 405,
                                 "Your name in the game, and the system Parlevox runs on");

  // The hidden text boxes that name the console window, outside the client area.
  text1_ = makeTextBox(client, "Text1", 7000, 0, 1200, 285);
  text1_->setText(QStringLiteral("Jedi Knight Academy MP Console"));
  text1_->hide();
  text2_ = makeTextBox(client, "Text2", 7000, 300, 1200, 285);
  text2_->hide();
  // Read by every watch cycle: kept as the program's text rather than converted each time.
  // What the user types into a duel box goes to the message set at once.
  for (const DuelText which : {DuelText::Engage, DuelText::Won, DuelText::Lost}) {
    connect(duelBox(which), &QLineEdit::textEdited, this,
            [this, which](const QString& t) { emit duelTextEdited(which, t); });
  }

  connect(cmdBack_, &QPushButton::clicked, this, &MainWindow::backClicked);
  connect(cmdViewPlay_, &QPushButton::clicked, this, &MainWindow::viewPlayClicked);

  // The menus and File's items carry mnemonics (Alt+F opens File), the captions unchanged.
  QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  QAction* mnuSave = mnuFile->addAction(QStringLiteral("&Save"));
  mnuSave->setObjectName(QStringLiteral("mnuSave"));
  QAction* mnuOpen = mnuFile->addAction(QStringLiteral("&Open"));
  mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
  QAction* mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  connect(mnuSave, &QAction::triggered, this, &MainWindow::saveChosen);
  connect(mnuOpen, &QAction::triggered, this, &MainWindow::openChosen);
  connect(mnuExit, &QAction::triggered, this, &MainWindow::exitChosen);

  QMenu* mnuEdit = menuBar()->addMenu(QStringLiteral("&Customize Messages"));
  mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
  const char* const messages[] = {"Greeting", "Self inflicting death", "On Self Enter",
                                  "Time/Frag Limit"};
  for (int index = 0; index < 4; ++index) {
    // The four items form one array: they share the name and carry their index.
    QAction* item = mnuEdit->addAction(QString::fromLatin1(messages[index]));
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

TwipsRect MainWindow::geometry() const {
  return frameTwips(*this);
}

void MainWindow::move(float left, float top) {
  moveFrameTwips(*this, left, top);
}

void MainWindow::setWidth(float) {
  // The main window keeps the size of its controls.
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

void MainWindow::yieldToEvents() {
  if (yield_) {
    yield_();
  } else {
    QCoreApplication::processEvents();
  }
}

std::string MainWindow::statusLine() const {
  return s(lblPlatform_->text());
}
void MainWindow::setStatusLine(const std::string& text) {
  const QString shown = q(text);
  if (shown == lblPlatform_->text())
    return;
  lblPlatform_->setText(shown);
  emit statusLineChanged(shown);
}
std::string MainWindow::chatText() const {
  return s(chatText_->text());
}
void MainWindow::setChatText(const std::string& text) {
  chatText_->setText(q(text));
}
bool MainWindow::backButtonVisible() const {
  return !cmdBack_->isHidden();
}
void MainWindow::setBackButtonVisible(bool visible) {
  cmdBack_->setVisible(visible);
}
std::string MainWindow::duelText(DuelText which) const {
  return s(duelBox(which)->text());
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
      return txtDuelEngage_;
    case DuelText::Won:
      return txtDuelWon_;
    case DuelText::Lost:
      break;
  }
  return txtDuelLost_;
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
