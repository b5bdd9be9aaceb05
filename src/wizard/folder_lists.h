// The drive and directory choosers of the import wizard: a drive list
// offering the mounted volumes, and a directory list showing a directory
// tree whose current directory is its path.
#pragma once

#include <QComboBox>
#include <QString>
#include <QTreeView>
#include <functional>

class QFileSystemModel;

namespace vdimpexp::wizard {

class DriveList : public QComboBox {
 public:
  explicit DriveList(QWidget* parent = nullptr);
  // The mount point of the chosen volume.
  QString Drive() const;
  // Chooses the volume that holds `path` (the one with the longest mount
  // point that is a prefix of it).
  void SetDriveOf(const QString& path);
};

class DirectoryList : public QTreeView {
 public:
  explicit DirectoryList(QWidget* parent = nullptr);
  QString Path() const;
  // Makes `path` the current directory and shows it. False, and nothing
  // changed, when it is not a directory that can be read.
  bool SetPath(const QString& path);
  // Called with the path whenever it changes, and now with the path it has.
  void OnPathChanged(std::function<void(const QString&)> changed);

 private:
  // The user taking the view in hand ends keeping the path in view.
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

  // The user moved the current item: its directory becomes the path.
  void Follow(const QModelIndex& index);
  // The user opened a directory: it becomes the path and shows its children.
  void Open(const QModelIndex& index);
  // Makes the path's item current and visible; `open` also shows its children.
  void Show(bool open);

  // Makes `path`, a readable directory, the path and says so.
  void Take(const QString& path);

  QFileSystemModel* model_;
  QString path_;
  std::function<void(const QString&)> path_changed_;
  bool showing_ = false;
  // The model sorts a directory's rows a moment after listing them, which
  // can move the path's row out of view: until the user moves the view, it
  // is brought back.
  bool keep_path_in_view_ = false;
};

}  // namespace vdimpexp::wizard
