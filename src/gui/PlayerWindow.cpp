#include "gui/PlayerWindow.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "core/player/Player.h"
#include "core/player/PlayerNumbers.h"
#include "gui/Look.h"
#include "gui/QtFormPort.h"

namespace pvx {

namespace {

// Where the program's font is missing, a wider one stands in for it; a caption is then made
// smaller until it fits its control, whose size is fixed.
void fitCaption(QWidget& w, const QString& text, int margin) {
  QFont font = w.font();
  while (font.pointSizeF() > 6.0 &&
         QFontMetrics(font).horizontalAdvance(text) + margin > w.width()) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  w.setFont(font);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  // Titles and positions are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  look::styleLabel(*label);
  placeTwips(*label, left, top, width, height);
  fitCaption(*label, text, 0);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int left, int top,
                        int width, int height) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  look::styleButton(*button, 8.25);
  placeTwips(*button, left, top, width, height);
  fitCaption(*button, text, 8);
  return button;
}

QSlider* makeSlider(QWidget* parent, const char* name, Qt::Orientation orientation, int maximum,
                    int pageStep, int left, int top, int width, int height) {
  auto* slider = new QSlider(orientation, parent);
  slider->setObjectName(QString::fromLatin1(name));
  slider->setRange(0, maximum);
  slider->setPageStep(pageStep);
  slider->setSingleStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  placeTwips(*slider, left, top, width, height);
  return slider;
}

// The position label's caption: "Position:" before the first track, a new track's duration as
// its shortest decimal text ("215.43"), then the position and the duration in whole seconds
// ("Position: 12/215").
QString positionCaption(const PlaybackEngine::PositionLabel& label) {
  using Shows = PlaybackEngine::PositionLabel::Shows;
  switch (label.shows) {
    case Shows::kDuration:
      return QString::fromStdString(numbers::shortestText(label.duration));
    case Shows::kPosition:
      return QStringLiteral("Position: ") +
             QString::fromStdString(numbers::wholeSecondsText(label.position)) + QLatin1Char('/') +
             QString::fromStdString(numbers::wholeSecondsText(label.duration));
    case Shows::kNothing:
      break;
  }
  return QStringLiteral("Position:");
}

}  // namespace

PlayerWindow::PlayerWindow(DialogPort& dialogs) : dialogs_(dialogs) {
  setObjectName(QStringLiteral("frmPlay"));
  setWindowTitle(QStringLiteral("Playlist"));
  setFont(look::sansSerif(font().family()));
  look::paintBackground(*this);
  // The start-up makes it as wide as the main window.
  setClientTwips(*this, 6525, 5565);

  lblLength_ = makeLabel(this, "lblLength", QStringLiteral("Position:"), 720, 360, 2655, 375);
  slider3_ = makeSlider(this, "Slider3", Qt::Horizontal, PlaybackEngine::kPositionMaxAtCreation, 5,
                        720, 720, 2655, 375);

  lstPlay_ = new QListWidget(this);
  lstPlay_->setObjectName(QStringLiteral("lstPlay"));
  lstPlay_->setSortingEnabled(false);
  lstPlay_->setSelectionMode(QAbstractItemView::SingleSelection);
  placeTwips(*lstPlay_, 360, 1200, 3495, 2985);

  cmdPlay_ = makeButton(this, "cmdPlay", QStringLiteral("Play"), 3960, 1200, 1095, 495);
  cmdStop_ = makeButton(this, "cmdStop", QStringLiteral("Stop"), 3960, 2040, 1095, 495);
  cmdPause_ = makeButton(this, "cmdPause", QStringLiteral("Pause"), 3960, 2880, 1095, 495);
  cmdSave_ = makeButton(this, "cmdSave", QStringLiteral("Save Playlist"), 3960, 3720, 1095, 495);

  QLabel* volumeLabel = makeLabel(this, "Label1", QStringLiteral("Volume:"), 5400, 1440, 855, 375);
  sldVol_ = makeSlider(this, "sldVol", Qt::Vertical, PlaybackEngine::kVolumeSliderMax, 2, 5580,
                       1800, 495, 2055);
  // Loudest (0) at the top, and the keys and the wheel move the handle the way they point.
  sldVol_->setInvertedAppearance(true);
  sldVol_->setInvertedControls(true);
  sldVol_->setTickPosition(QSlider::TicksBothSides);
  sldVol_->installEventFilter(this);

  cmdDir_ = makeButton(this, "cmdDir", QStringLiteral("Add Folder"), 840, 4440, 1095, 375);
  cmdRemove_ = makeButton(this, "cmdRemove", QStringLiteral("Remove"), 2040, 4440, 1095, 375);
  cmdAddFile_ = makeButton(this, "cmdAddFile", QStringLiteral("Add File"), 840, 4920, 1095, 375);
  cmdClear_ = makeButton(this, "cmdClear", QStringLiteral("Clear"), 2040, 4920, 1095, 375);

  connect(cmdDir_, &QPushButton::clicked, this, &PlayerWindow::addFolderClicked);

  const std::pair<QWidget*, const char*> tips[] = {
      {lblLength_, "Where the playing track is, in seconds"},
      {slider3_, "Move within the playing track"},
      {lstPlay_, "The playlist: double-click an entry to play it"},
      {cmdPlay_, "Play the selected entry, or go on after a pause"},
      {cmdStop_, "Stop the music and go back to the start of the track"},
      {cmdPause_, "Hold the music; Play goes on from here"},
      {cmdSave_, "Save the playlist for the next start"},
      {volumeLabel, "The music's volume, loudest at the top"},
      {sldVol_, "The music's volume, loudest at the top"},
      {cmdDir_, "Add the music files of a folder"},
      {cmdRemove_, "Take the selected entry off the playlist"},
      {cmdAddFile_, "Add one music file"},
      {cmdClear_, "Take every entry off the playlist"},
  };
  for (const auto& [control, tip] : tips)
    control->setToolTip(QString::fromLatin1(tip));
}

PlayerWindow::~PlayerWindow() {
  // The controls go after this, and may still signal while they go; the player may be gone.
  player_ = nullptr;
}

void PlayerWindow::bind(Player& player) {
  player_ = &player;
  const auto forward = [this](QPushButton* button, void (Player::*click)()) {
    connect(button, &QPushButton::clicked, this, [this, click] {
      if (player_ != nullptr)
        (player_->*click)();
    });
  };
  forward(cmdPlay_, &Player::playSelected);
  forward(cmdStop_, &Player::stop);
  forward(cmdPause_, &Player::pause);
  forward(cmdSave_, &Player::savePlaylist);
  forward(cmdRemove_, &Player::removeSelected);
  forward(cmdAddFile_, &Player::addFile);
  forward(cmdClear_, &Player::clear);

  connect(lstPlay_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (player_ != nullptr)
      player_->list().select(row);
  });
  // A double-click on an entry plays it, as selecting it and pressing "Play" does.
  connect(lstPlay_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    if (player_ == nullptr)
      return;
    player_->list().select(lstPlay_->row(item));
    player_->playSelected();
  });
  // A click on the list's empty part or a control-click would take the highlight off the
  // selected entry while it stays selected: it is shown again.
  connect(lstPlay_, &QListWidget::itemSelectionChanged, this, [this] {
    if (player_ != nullptr && lstPlay_->selectedItems().isEmpty() &&
        player_->list().selection() >= 0)
      selectionChanged();
  });
  // Only the user's scrolling seeks: the music timer moves the slider with signals blocked, and
  // actionTriggered is never emitted for a value set by the program.
  connect(slider3_, &QSlider::actionTriggered, this, [this] {
    if (player_ != nullptr)
      player_->engine().positionSliderScrolled(slider3_->sliderPosition());
  });
  connect(sldVol_, &QSlider::valueChanged, this, [this](int value) {
    if (player_ != nullptr)
      player_->engine().setVolumeSlider(value);
  });

  titlesChanged();
  positionChanged();
  volumeChanged();
}

std::optional<ChosenFile> PlayerWindow::chooseFile(const std::string& filter) {
  const std::optional<std::string> path = dialogs_.openFile(filter, {});
  if (!path)
    return std::nullopt;
  const QString native = QDir::toNativeSeparators(QString::fromStdString(*path));
  return ChosenFile{native.toStdString(), QFileInfo(native).fileName().toStdString()};
}

void PlayerWindow::showFailure(const std::string& description) {
  dialogs_.criticalBox(description, "Error");
}

void PlayerWindow::titlesChanged() {
  if (player_ == nullptr)
    return;
  const QSignalBlocker blocker(lstPlay_);
  lstPlay_->clear();
  for (const PlaylistEntry& entry : player_->list().entries())
    lstPlay_->addItem(QString::fromStdString(entry.title));
  selectionChanged();
}

void PlayerWindow::selectionChanged() {
  if (player_ == nullptr)
    return;
  const QSignalBlocker blocker(lstPlay_);
  const int row = player_->list().selection();
  lstPlay_->setCurrentRow(row);
  if (row < 0)
    lstPlay_->clearSelection();
  else
    lstPlay_->scrollToItem(lstPlay_->item(row));
}

void PlayerWindow::positionChanged() {
  if (player_ == nullptr)
    return;
  // A hidden window shows nothing: the music timer's position is shown once it is shown again.
  positionShown_ = isVisible();
  if (!positionShown_)
    return;
  const PlaybackEngine& engine = player_->engine();
  lblLength_->setText(positionCaption(engine.positionLabel()));
  const QSignalBlocker blocker(slider3_);
  slider3_->setMaximum(engine.positionSliderMax());
  slider3_->setValue(engine.positionSliderValue());
}

void PlayerWindow::volumeChanged() {
  if (player_ == nullptr)
    return;
  {
    const QSignalBlocker blocker(sldVol_);
    sldVol_->setValue(player_->engine().volumeSliderValue());
  }
  if (sldVol_->value() != shownVolume_) {
    shownVolume_ = sldVol_->value();
    emit volumeSliderChanged(shownVolume_);
  }
}

void PlayerWindow::create() {
  ensurePolished();
  if (created_ || player_ == nullptr)
    return;
  created_ = true;
  player_->load();
}

TwipsRect PlayerWindow::geometry() const {
  return frameTwips(*this);
}

void PlayerWindow::move(float left, float top) {
  moveFrameTwips(*this, left, top);
}

void PlayerWindow::setWidth(float width) {
  setFrameWidthTwips(*this, width);
}

void PlayerWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!positionShown_)
    positionChanged();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  // The volume is applied when a mouse button comes up on the slider, after a drag as well as
  // after a click on its groove (which moves the handle without a drag).
  if (watched == sldVol_ && event->type() == QEvent::MouseButtonRelease && player_ != nullptr)
    player_->engine().volumeSliderReleased();
  return QWidget::eventFilter(watched, event);
}

}  // namespace pvx
