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
#include "gui/Controls.h"
#include "gui/Look.h"

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

  driveList_ = new QComboBox(this);
  driveList_->setObjectName(QStringLiteral("drv"));
  for (const QString& drive : drives_)
    driveList_->addItem(QDir::toNativeSeparators(drive));
  placeTwips(*driveList_, 480, 120, 3015, 315);
  driveList_->setToolTip(QStringLiteral("The drive to pick a folder on"));

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
  folderTree_ = new QTreeView(this);
  folderTree_->setObjectName(QStringLiteral("Dir"));
  folderTree_->setModel(model_);
  folderTree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column)
    folderTree_->hideColumn(column);
  folderTree_->setSortingEnabled(true);
  folderTree_->sortByColumn(0, Qt::AscendingOrder);
  // A double-click opens the folder; it never folds it away.
  folderTree_->setExpandsOnDoubleClick(false);
  placeTwips(*folderTree_, 480, 480, 3015, 3015);
  folderTree_->setToolTip(
      QStringLiteral("The folder whose music is added; double-click opens one"));

  QPushButton* ok = controls::button(
      *this, "cmdOk", QStringLiteral("Ok"), 8.25, controls::Place{840, 3600, 975, 495},
      {.tip = "Add the music files of the chosen folder to the playlist"});
  QPushButton* cancel = controls::button(*this, "cmdCancel", QStringLiteral("Cancel"), 8.25,
                                         controls::Place{2160, 3600, 975, 495},
                                         {.tip = "Close without adding anything"});

  connect(driveList_, &QComboBox::currentIndexChanged, this, &FolderPickerWindow::driveChosen);
  connect(folderTree_, &QTreeView::doubleClicked, this, &FolderPickerWindow::openFolder);
  // The tree shows the chosen drive only, even where the drive's root has siblings (the home
  // folder standing in for a drive), so the other entries are hidden as the model finds them.
  connect(model_, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
    if (parent == folderTree_->rootIndex())
      hideOtherRoots();
    followCurrent();
  });
  // The folders load and are sorted in the background, so the current folder moves down the
  // tree as they come in; it is kept in view until the user takes the tree in hand.
  connect(model_, &QFileSystemModel::directoryLoaded, this, &FolderPickerWindow::followCurrent);
  connect(model_, &QFileSystemModel::layoutChanged, this, &FolderPickerWindow::followCurrent);
  folderTree_->viewport()->installEventFilter(this);
  folderTree_->verticalScrollBar()->installEventFilter(this);
  folderTree_->installEventFilter(this);
  connect(ok, &QPushButton::clicked, this, &FolderPickerWindow::okClicked);
  connect(cancel, &QPushButton::clicked, this, &FolderPickerWindow::cancelClicked);

  // The process's current folder, or else the first drive that can be read.
  if (!setCurrentFolder(QDir::currentPath().toStdString())) {
    for (int i = 0; i < drives_.size() && driveIndex_ < 0; ++i) {
      if (showDrive(i, drives_[i]))
        driveList_->setCurrentIndex(i);
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
  const QSignalBlocker blocker(driveList_);
  driveList_->setCurrentIndex(drive);
  return true;
}

std::string FolderPickerWindow::currentFolder() const {
  const QModelIndex current = folderTree_->currentIndex();
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
  folderTree_->setRootIndex(model_->index(root).parent());
  hideOtherRoots();
  const QModelIndex current = model_->index(folder);
  folderTree_->setCurrentIndex(current);
  folderTree_->expand(current);
  following_ = true;
  followCurrent();
  return true;
}

void FolderPickerWindow::followCurrent() {
  if (following_ && folderTree_->currentIndex().isValid())
    folderTree_->scrollTo(folderTree_->currentIndex());
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
  const QModelIndex top = folderTree_->rootIndex();
  for (int row = 0; row < model_->rowCount(top); ++row) {
    const QString path = model_->filePath(model_->index(row, 0, top));
    folderTree_->setRowHidden(row, top, !samePath(cleaned(path), drives_[driveIndex_]));
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
    const QSignalBlocker blocker(driveList_);
    driveList_->setCurrentIndex(driveIndex_);
  }
}

void FolderPickerWindow::openFolder(const QModelIndex& index) {
  if (!index.isValid())
    return;
  folderTree_->setCurrentIndex(index);
  folderTree_->expand(index);
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
