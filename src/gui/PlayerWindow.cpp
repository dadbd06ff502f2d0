#include "gui/PlayerWindow.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStringList>

#include "core/player/Player.h"
#include "core/player/PlayerNumbers.h"
#include "gui/Controls.h"
#include "gui/Look.h"

namespace pvx {

namespace {

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

  using controls::Place;
  const controls::Options fitted{.shrinkToFit = true};
  positionLabel_ = controls::label(*this, "lblLength", QStringLiteral("Position:"),
                                   Place{720, 360, 2655, 375}, fitted);
  positionSlider_ =
      controls::slider(*this, "Slider3", Qt::Horizontal, PlaybackEngine::kPositionMaxAtCreation, 5,
                       Place{720, 720, 2655, 375});

  playlist_ = new QListWidget(this);
  playlist_->setObjectName(QStringLiteral("lstPlay"));
  playlist_->setSortingEnabled(false);
  playlist_->setSelectionMode(QAbstractItemView::SingleSelection);
  placeTwips(*playlist_, 360, 1200, 3495, 2985);

  const auto button = [this, &fitted](const char* name, const char* text, const Place& at) {
    return controls::button(*this, name, QString::fromLatin1(text), 8.25, at, fitted);
  };
  playButton_ = button("cmdPlay", "Play", Place{3960, 1200, 1095, 495});
  stopButton_ = button("cmdStop", "Stop", Place{3960, 2040, 1095, 495});
  pauseButton_ = button("cmdPause", "Pause", Place{3960, 2880, 1095, 495});
  saveButton_ = button("cmdSave", "Save Playlist", Place{3960, 3720, 1095, 495});

  QLabel* volumeLabel = controls::label(*this, "Label1", QStringLiteral("Volume:"),
                                        Place{5400, 1440, 855, 375}, fitted);
  volumeSlider_ = controls::slider(*this, "sldVol", Qt::Vertical, PlaybackEngine::kVolumeSliderMax,
                                   2, Place{5580, 1800, 495, 2055});
  // Loudest (0) at the top, and the keys and the wheel move the handle the way they point.
  volumeSlider_->setInvertedAppearance(true);
  volumeSlider_->setInvertedControls(true);
  volumeSlider_->setTickPosition(QSlider::TicksBothSides);
  volumeSlider_->installEventFilter(this);

  QPushButton* addFolderButton = button("cmdDir", "Add Folder", Place{840, 4440, 1095, 375});
  removeButton_ = button("cmdRemove", "Remove", Place{2040, 4440, 1095, 375});
  addFileButton_ = button("cmdAddFile", "Add File", Place{840, 4920, 1095, 375});
  clearButton_ = button("cmdClear", "Clear", Place{2040, 4920, 1095, 375});

  connect(addFolderButton, &QPushButton::clicked, this, &PlayerWindow::addFolderClicked);

  const std::pair<QWidget*, const char*> tips[] = {
      {positionLabel_, "Where the playing track is, in seconds"},
      {positionSlider_, "Move within the playing track"},
      {playlist_, "The playlist: double-click an entry to play it"},
      {playButton_, "Play the selected entry, or go on after a pause"},
      {stopButton_, "Stop the music and go back to the start of the track"},
      {pauseButton_, "Hold the music; Play goes on from here"},
      {saveButton_, "Save the playlist for the next start"},
      {volumeLabel, "The music's volume, loudest at the top"},
      {volumeSlider_, "The music's volume, loudest at the top"},
      {addFolderButton, "Add the music files of a folder"},
      {removeButton_, "Take the selected entry off the playlist"},
      {addFileButton_, "Add one music file"},
      {clearButton_, "Take every entry off the playlist"},
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
  forward(playButton_, &Player::playSelected);
  forward(stopButton_, &Player::stop);
  forward(pauseButton_, &Player::pause);
  forward(saveButton_, &Player::savePlaylist);
  forward(removeButton_, &Player::removeSelected);
  forward(addFileButton_, &Player::addFile);
  forward(clearButton_, &Player::clear);

  connect(playlist_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (player_ != nullptr)
      player_->select(row);
  });
  // A double-click on an entry plays it, as selecting it and pressing "Play" does.
  connect(playlist_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    if (player_ == nullptr)
      return;
    player_->select(playlist_->row(item));
    player_->playSelected();
  });
  // A click on the list's empty part or a control-click would take the highlight off the
  // selected entry while it stays selected: it is shown again.
  connect(playlist_, &QListWidget::itemSelectionChanged, this, [this] {
    if (player_ != nullptr && playlist_->selectedItems().isEmpty() && player_->selection() >= 0)
      selectionChanged();
  });
  // Only the user's scrolling seeks: the music timer moves the slider with signals blocked, and
  // actionTriggered is never emitted for a value set by the program.
  connect(positionSlider_, &QSlider::actionTriggered, this, [this] {
    if (player_ != nullptr)
      player_->positionSliderScrolled(positionSlider_->sliderPosition());
  });
  connect(volumeSlider_, &QSlider::valueChanged, this, [this](int value) {
    if (player_ != nullptr)
      player_->setVolumeSlider(value);
  });

  titlesChanged();
  positionChanged();
  volumeChanged();
}

void PlayerWindow::showRefusedMediaKeys(const std::vector<std::string>& names) {
  if (names.empty()) {
    setToolTip({});
    return;
  }
  QStringList keys;
  for (const std::string& name : names)
    keys << QString::fromStdString(name);
  setToolTip(QStringLiteral("Another program holds these media keys, so they do not reach "
                            "Parlevox: ") +
             keys.join(QStringLiteral(", ")));
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
  const QSignalBlocker blocker(playlist_);
  playlist_->clear();
  for (int i = 0; i < player_->count(); ++i)
    playlist_->addItem(QString::fromStdString(player_->title(i)));
  selectionChanged();
}

void PlayerWindow::selectionChanged() {
  if (player_ == nullptr)
    return;
  const QSignalBlocker blocker(playlist_);
  const int row = player_->selection();
  playlist_->setCurrentRow(row);
  if (row < 0)
    playlist_->clearSelection();
  else
    playlist_->scrollToItem(playlist_->item(row));
}

void PlayerWindow::positionChanged() {
  if (player_ == nullptr)
    return;
  // A hidden window shows nothing: the music timer's position is shown once it is shown again.
  positionShown_ = isVisible();
  if (!positionShown_)
    return;
  positionLabel_->setText(positionCaption(player_->positionLabel()));
  const QSignalBlocker blocker(positionSlider_);
  positionSlider_->setMaximum(player_->positionSliderMax());
  positionSlider_->setValue(player_->positionSliderValue());
}

void PlayerWindow::volumeChanged() {
  if (player_ == nullptr)
    return;
  {
    const QSignalBlocker blocker(volumeSlider_);
    volumeSlider_->setValue(player_->volumeSliderValue());
  }
  if (volumeSlider_->value() != shownVolume_) {
    shownVolume_ = volumeSlider_->value();
    emit volumeSliderChanged(shownVolume_);
  }
}

void PlayerWindow::create() {
  QtFormPort::create();
  if (created_ || player_ == nullptr)
    return;
  created_ = true;
  player_->load();
}

void PlayerWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!positionShown_)
    positionChanged();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  // The volume is applied when a mouse button comes up on the slider, after a drag as well as
  // after a click on its groove (which moves the handle without a drag).
  if (watched == volumeSlider_ && event->type() == QEvent::MouseButtonRelease && player_ != nullptr)
    player_->volumeSliderReleased();
  return QWidget::eventFilter(watched, event);
}

}  // namespace pvx
