#include "wizard/folder_lists.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStorageInfo>
#include <algorithm>

namespace vdimpexp::wizard {
namespace {

QString Absolute(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Listing a directory needs both read and search permission.
bool IsReadableDirectory(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.isDir() && info.isReadable() && info.isExecutable();
}

// Whether `path` lies on the volume mounted at `mount_point`: "/data" holds
// "/data/x" but not "/database".
bool Holds(const QString& mount_point, const QString& path) {
  if (mount_point == QDir::rootPath() || path == mount_point) return true;
  return path.startsWith(mount_point) && path.at(mount_point.size()) == QLatin1Char('/');
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
  std::sort(volumes.begin(), volumes.end(),
            [](const QStorageInfo& a, const QStorageInfo& b) {
              return a.rootPath() < b.rootPath();
            });
  QString previous;
  for (const QStorageInfo& volume : volumes) {
    // A volume mounted twice is listed once; one that is not ready (a drive
    // without its medium) cannot be browsed.
    if (!volume.isValid() || !volume.isReady() || volume.rootPath() == previous) continue;
    previous = volume.rootPath();
    const QString name =
        volume.name().isEmpty() ? QString::fromLocal8Bit(volume.device()) : volume.name();
    addItem(name.isEmpty() ? previous : QStringLiteral("%1  [%2]").arg(previous, name),
            previous);
  }
}

QString DriveList::Drive() const { return currentData(Qt::UserRole).toString(); }

void DriveList::SetDriveOf(const QString& path) {
  // The physical location decides the volume, so links are followed when the
  // path exists.
  QString target = QFileInfo(path).canonicalFilePath();
  if (target.isEmpty()) target = Absolute(path);
  int best = -1;
  qsizetype best_length = -1;
  for (int i = 0; i < count(); ++i) {
    const QString mount_point = QDir::cleanPath(itemData(i, Qt::UserRole).toString());
    if (!mount_point.isEmpty() && mount_point.size() > best_length &&
        Holds(mount_point, target)) {
      best = i;
      best_length = mount_point.size();
    }
  }
  if (best >= 0) setCurrentIndex(best);
}

DirectoryList::DirectoryList(QWidget* parent)
    : QTreeView(parent), model_(new QFileSystemModel(this)) {
  // Hidden directories stay out of the way; a path typed into the box
  // under the tree still reaches one.
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath(QDir::rootPath());
  setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A double-click opens the directory; letting the tree also toggle it would
  // fold up the directory just opened.
  setExpandsOnDoubleClick(false);

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { Follow(current); });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { Open(index); });
  connect(this, &QAbstractItemView::activated, this,
          [this](const QModelIndex& index) { Open(index); });
  auto keep_in_view = [this] {
    if (keep_path_in_view_) scrollTo(model_->index(path_));
  };
  connect(model_, &QAbstractItemModel::layoutChanged, this, keep_in_view);
  connect(model_, &QAbstractItemModel::rowsInserted, this, keep_in_view);

  if (!SetPath(QDir::currentPath())) SetPath(QDir::rootPath());
}

QString DirectoryList::Path() const { return path_; }

bool DirectoryList::SetPath(const QString& path) {
  if (!IsReadableDirectory(path)) return false;
  Take(path);
  Show(/*open=*/true);
  return true;
}

void DirectoryList::OnPathChanged(std::function<void(const QString&)> changed) {
  path_changed_ = std::move(changed);
  path_changed_(path_);
}

void DirectoryList::Take(const QString& path) {
  path_ = Absolute(path);
  if (path_changed_) path_changed_(path_);
}

void DirectoryList::Follow(const QModelIndex& index) {
  if (showing_ || !index.isValid()) return;
  const QString path = model_->filePath(index);
  if (IsReadableDirectory(path)) {
    Take(path);
    return;
  }
  // Put the highlight back on the path once the click that moved it is done;
  // changing the current item inside its own change notice would be undone
  // by the rest of the click.
  QMetaObject::invokeMethod(
      this, [this] { Show(/*open=*/false); }, Qt::QueuedConnection);
}

void DirectoryList::Open(const QModelIndex& index) {
  if (index.isValid() && !SetPath(model_->filePath(index))) {
    QMetaObject::invokeMethod(
        this, [this] { Show(/*open=*/false); }, Qt::QueuedConnection);
  }
}

void DirectoryList::Show(bool open) {
  const QModelIndex index = model_->index(path_);
  if (!index.isValid()) return;
  showing_ = true;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) expand(up);
  if (open) expand(index);
  setCurrentIndex(index);
  scrollTo(index);
  keep_path_in_view_ = true;
  showing_ = false;
}

void DirectoryList::mousePressEvent(QMouseEvent* event) {
  keep_path_in_view_ = false;
  QTreeView::mousePressEvent(event);
}

void DirectoryList::wheelEvent(QWheelEvent* event) {
  keep_path_in_view_ = false;
  QTreeView::wheelEvent(event);
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
  keep_path_in_view_ = false;
  QTreeView::keyPressEvent(event);
}

}  // namespace vdimpexp::wizard
