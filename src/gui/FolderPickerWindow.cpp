#include "gui/FolderPickerWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeView>

#include "core/player/FolderPicker.h"
#include "gui/Look.h"
#include "gui/QtFormPort.h"

namespace pvx {

namespace {

#ifdef _WIN32
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// A path as Qt writes it internally: absolute, "/" separators, no trailing one but on a root.
QString cleaned(const QString& path) {
  return QDir::cleanPath(QDir(QDir::fromNativeSeparators(path)).absolutePath());
}

bool samePath(const QString& a, const QString& b) {
  return a.compare(b, kPathCase) == 0;
}

// Whether folder is root itself or lies anywhere below it.
bool under(const QString& folder, const QString& root) {
  if (samePath(folder, root))
    return true;
  const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
  return folder.startsWith(prefix, kPathCase);
}

bool readableFolder(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isDir() && info.isReadable();
}

QIcon folderIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(look::background());
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(look::statusText().darker(160), 1.5));
  painter.setBrush(look::statusText());
  // A folder: its tab, then its body.
  painter.drawRoundedRect(QRectF(4, 7, 11, 6), 1.5, 1.5);
  painter.drawRoundedRect(QRectF(3, 10, 26, 17), 2, 2);
  painter.setPen(look::labelText());
  painter.setFont(look::boldSansSerif(9));
  painter.drawText(QRectF(3, 12, 26, 15), Qt::AlignCenter, QStringLiteral("+"));
  painter.end();
  return QIcon(pixmap);
}

}  // namespace

FolderPickerWindow::FolderPickerWindow(QStringList drives) {
  for (const QString& drive : drives)
    drives_ << cleaned(drive);
  driveFolders_ = drives_;

  setObjectName(QStringLiteral("frmPickFolder"));
  setWindowTitle(QStringLiteral("Pick Folder"));
  setWindowIcon(folderIcon());
  look::paintBackground(*this);
  setClientTwips(*this, 3975, 4560);

  drv_ = new QComboBox(this);
  drv_->setObjectName(QStringLiteral("drv"));
  for (const QString& drive : drives_)
    drv_->addItem(QDir::toNativeSeparators(drive));
  placeTwips(*drv_, 480, 120, 3015, 315);
  drv_->setToolTip(QStringLiteral("The drive to pick a folder on"));

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
  dir_ = new QTreeView(this);
  dir_->setObjectName(QStringLiteral("Dir"));
  dir_->setModel(model_);
  dir_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column)
    dir_->hideColumn(column);
  dir_->setSortingEnabled(true);
  dir_->sortByColumn(0, Qt::AscendingOrder);
  // A double-click opens the folder; it never folds it away.
  dir_->setExpandsOnDoubleClick(false);
  placeTwips(*dir_, 480, 480, 3015, 3015);
  dir_->setToolTip(QStringLiteral("The folder whose music is added; double-click opens one"));

  cmdOk_ = new QPushButton(QStringLiteral("Ok"), this);
  cmdOk_->setObjectName(QStringLiteral("cmdOk"));
  look::styleButton(*cmdOk_, 8.25);
  placeTwips(*cmdOk_, 840, 3600, 975, 495);
  cmdOk_->setToolTip(QStringLiteral("Add the music files of the chosen folder to the playlist"));
  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  look::styleButton(*cmdCancel_, 8.25);
  placeTwips(*cmdCancel_, 2160, 3600, 975, 495);
  cmdCancel_->setToolTip(QStringLiteral("Close without adding anything"));

  connect(drv_, &QComboBox::currentIndexChanged, this, &FolderPickerWindow::driveChosen);
  connect(dir_, &QTreeView::doubleClicked, this, &FolderPickerWindow::openFolder);
  // The tree shows the chosen drive only, even where the drive's root has siblings (the home
  // folder standing in for a drive), so the other entries are hidden as the model finds them.
  connect(model_, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
    if (parent == dir_->rootIndex())
      hideOtherRoots();
    followCurrent();
  });
  // The folders load and are sorted in the background, so the current folder moves down the
  // tree as they come in; it is kept in view until the user takes the tree in hand.
  connect(model_, &QFileSystemModel::directoryLoaded, this, &FolderPickerWindow::followCurrent);
  connect(model_, &QFileSystemModel::layoutChanged, this, &FolderPickerWindow::followCurrent);
  dir_->viewport()->installEventFilter(this);
  dir_->verticalScrollBar()->installEventFilter(this);
  dir_->installEventFilter(this);
  connect(cmdOk_, &QPushButton::clicked, this, &FolderPickerWindow::okClicked);
  connect(cmdCancel_, &QPushButton::clicked, this, &FolderPickerWindow::cancelClicked);

  // The process's current folder, or else the first drive that can be read.
  if (!setCurrentFolder(QDir::currentPath().toStdString())) {
    for (int i = 0; i < drives_.size() && driveIndex_ < 0; ++i) {
      if (showDrive(i, drives_[i]))
        drv_->setCurrentIndex(i);
    }
  }
}

QStringList FolderPickerWindow::platformDrives() {
  QStringList roots;
#ifdef _WIN32
  for (const QFileInfo& drive : QDir::drives())
    roots << drive.absoluteFilePath();
#else
  roots << QDir::rootPath() << QDir::homePath();
#endif
  return roots;
}

void FolderPickerWindow::connectTo(FolderPicker& picker) {
  connect(this, &FolderPickerWindow::okClicked, this, [&picker] { picker.ok(); });
  connect(this, &FolderPickerWindow::cancelClicked, this, [&picker] { picker.cancel(); });
  connect(this, &FolderPickerWindow::closedByFrame, this, [&picker] { picker.closedByFrame(); });
}

bool FolderPickerWindow::setCurrentFolder(const std::string& folder) {
  const QString path = cleaned(QString::fromStdString(folder));
  const int drive = driveOf(path);
  if (drive < 0 || !showDrive(drive, path))
    return false;
  const QSignalBlocker blocker(drv_);
  drv_->setCurrentIndex(drive);
  return true;
}

std::string FolderPickerWindow::currentFolder() const {
  const QModelIndex current = dir_->currentIndex();
  const QString path = current.isValid()  ? model_->filePath(current)
                       : driveIndex_ >= 0 ? drives_[driveIndex_]
                                          : QString();
  if (path.isEmpty())
    return {};
  return QDir::toNativeSeparators(QDir::cleanPath(path)).toStdString();
}

int FolderPickerWindow::driveOf(const QString& folder) const {
  int best = -1;
  for (int i = 0; i < drives_.size(); ++i) {
    if (under(folder, drives_[i]) && (best < 0 || drives_[i].size() > drives_[best].size()))
      best = i;
  }
  return best;
}

bool FolderPickerWindow::showDrive(int index, const QString& folder) {
  const QString& root = drives_[index];
  if (!readableFolder(root) || !readableFolder(folder))
    return false;
  if (driveIndex_ >= 0)
    driveFolders_[driveIndex_] = cleaned(QString::fromStdString(currentFolder()));
  driveIndex_ = index;
  driveFolders_[index] = folder;

  model_->setRootPath(root);
  // The drive's root is an entry of the tree itself, so that the root can be chosen as well.
  dir_->setRootIndex(model_->index(root).parent());
  hideOtherRoots();
  const QModelIndex current = model_->index(folder);
  dir_->setCurrentIndex(current);
  dir_->expand(current);
  following_ = true;
  followCurrent();
  return true;
}

void FolderPickerWindow::followCurrent() {
  if (following_ && dir_->currentIndex().isValid())
    dir_->scrollTo(dir_->currentIndex());
}

bool FolderPickerWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      following_ = false;
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void FolderPickerWindow::hideOtherRoots() {
  if (driveIndex_ < 0)
    return;
  const QModelIndex top = dir_->rootIndex();
  for (int row = 0; row < model_->rowCount(top); ++row) {
    const QString path = model_->filePath(model_->index(row, 0, top));
    dir_->setRowHidden(row, top, !samePath(cleaned(path), drives_[driveIndex_]));
  }
}

void FolderPickerWindow::driveChosen(int index) {
  if (index < 0 || index >= drives_.size() || index == driveIndex_)
    return;
  // The drive's folder from the last time it was shown (its root the first time). A drive that
  // cannot be read (an empty removable drive) leaves the previous drive and folder as they were.
  QString folder = driveFolders_[index];
  if (!readableFolder(folder))
    folder = drives_[index];
  if (!showDrive(index, folder)) {
    const QSignalBlocker blocker(drv_);
    drv_->setCurrentIndex(driveIndex_);
  }
}

void FolderPickerWindow::openFolder(const QModelIndex& index) {
  if (!index.isValid())
    return;
  dir_->setCurrentIndex(index);
  dir_->expand(index);
}

TwipsRect FolderPickerWindow::geometry() const {
  return frameTwips(*this);
}

void FolderPickerWindow::move(float left, float top) {
  moveFrameTwips(*this, left, top);
}

void FolderPickerWindow::setWidth(float width) {
  setFrameWidthTwips(*this, width);
}

void FolderPickerWindow::keyPressEvent(QKeyEvent* event) {
  // Escape closes the picker as its frame's close button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void FolderPickerWindow::closeEvent(QCloseEvent* event) {
  // Hidden, not destroyed, by the picker's behaviour, which also brings the other windows back.
  event->ignore();
  emit closedByFrame();
}

}  // namespace pvx
