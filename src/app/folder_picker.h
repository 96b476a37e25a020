#pragma once

#include <QComboBox>
#include <QListWidget>
#include <string>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// What a drive list offers: the drive roots ("C:\", "D:\") where the system has drive letters,
/// else the mount points of the machine's real file systems, "/" first.
std::vector<std::string> MountPoints();

/// Makes MountPoints() give `mounts` instead of the machine's, so that tests choose drives; an
/// empty list brings the machine's back.
void OverrideMountPoints(std::vector<std::string> mounts);

/// A drive list: the mount points, read again each time the list opens; choosing one emits
/// driveChanged() before the choice returns. The wheel changes the drive only while the list
/// has the focus.
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  /// The chosen mount point.
  std::string drive() const;
  /// Chooses the mount point that holds path; emits driveChanged() when that changes the choice.
  void setDrive(const std::string& path);
  /// Shows the mount point that holds path without emitting anything.
  void showDriveOf(const std::string& path);

 signals:
  void driveChanged();

 protected:
  void showPopup() override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void refill();
  int indexOfDriveFor(const std::string& path) const;
  std::vector<std::string> mounts_;
};

/// A folder list: the current folder's ancestors, the folder itself, then its subfolders (hidden
/// ones last). Double-click or Enter opens a folder, Backspace or Alt+Up the parent; typing
/// selects a folder by its name. Every change of the path, by the user or by setPath, emits
/// pathChanged() before it returns.
class FolderList : public QListWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  const std::string& path() const { return path_; }
  /// Opens folder; emits pathChanged() when the path changes. Fails, keeping the current
  /// folder, when folder cannot be read.
  [[nodiscard]] bool setPath(const std::string& folder, Failure* err);
  /// The folder last open on the drive (mount point) `drive`, or the drive itself.
  std::string currentFolderOfDrive(const std::string& drive) const;

 signals:
  void pathChanged();
  /// The user tried to open a folder that cannot be read.
  void openFailed(const gamefold::Failure& failure);

 public:
  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void fill(const std::vector<std::string>& subfolders);
  void openItem(QListWidgetItem* item);
  void open(const std::string& folder);

  QString search_;
  qint64 last_search_ms_ = 0;
  std::string path_;
  std::vector<std::pair<std::string, std::string>> last_folder_of_drive_;
};

}  // namespace gamefold
