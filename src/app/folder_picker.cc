#include "app/folder_picker.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "app/folder_path.h"
#include "core/folder_listing.h"
#include "core/platform_files.h"
#include "core/platform_paths.h"

namespace gamefold {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

// File systems that hold no user folders: the kernel's own views and the like.
bool IsPseudoFileSystem(const std::string& type) {
  static const char* const kPseudo[] = {
      "proc",    "sysfs",     "devtmpfs",    "devpts",     "cgroup", "cgroup2",  "mqueue",
      "debugfs", "tracefs",   "securityfs",  "pstore",     "bpf",    "autofs",   "configfs",
      "fusectl", "hugetlbfs", "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs", "ramfs"};
  return std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo);
}

// /proc/mounts writes blanks and a few other bytes as \ooo.
std::string UnescapeMountField(const std::string& field) {
  auto is_octal = [&](size_t i) { return field[i] >= '0' && field[i] <= '7'; };
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && is_octal(i + 1) && is_octal(i + 2) &&
        is_octal(i + 3)) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

QString DisplayName(const std::string& bytes) { return QFile::decodeName(bytes.c_str()); }

std::string ParentOf(const std::string& folder) { return ParentFolder(folder, NativePathStyle()); }

bool IsRoot(const std::string& folder) { return ParentOf(folder) == folder; }

bool ListSubfolders(const std::string& folder, std::vector<std::string>* names, Failure* err) {
  platform::FolderReader reader;
  int errnum = 0;
  if (!reader.Open(folder, &errnum)) {
    *err = FailureFromErrno(errnum, "cannot open the folder", folder);
    return false;
  }
  // Hidden folders come after the others: they are rarely wanted, but boxscores may live under
  // one (a compatibility layer's dot-folder), and every folder must be reachable from the list.
  std::vector<std::string> hidden;
  while (reader.Next(&errnum)) {
    if (reader.kind() != platform::EntryKind::kFolder) continue;
    (reader.hidden() ? hidden : *names).emplace_back(reader.name());
  }
  auto less = [](const std::string& a, const std::string& b) { return ListingLess(a, b); };
  std::sort(names->begin(), names->end(), less);
  std::sort(hidden.begin(), hidden.end(), less);
  names->insert(names->end(), hidden.begin(), hidden.end());
  return true;
}

bool IsFolder(const std::string& path) {
  return platform::KindOfPath(path) == platform::EntryKind::kFolder;
}

// Folder paths as the pickers keep them: absolute, no separator at the end but for a root's.
std::string Normalized(const std::string& folder) {
  return NormalizedFolder(folder, NativePathStyle());
}

std::vector<std::string>& MountPointsOverride() {
  static std::vector<std::string> mounts;
  return mounts;
}

}  // namespace

void OverrideMountPoints(std::vector<std::string> mounts) {
  MountPointsOverride() = std::move(mounts);
}

std::vector<std::string> MountPoints() {
  if (!MountPointsOverride().empty()) return MountPointsOverride();
  // Where the system has drive letters, they are the drives, as the window was designed.
  std::vector<std::string> mounts = platform::DriveRoots();
  if (!mounts.empty()) return mounts;
  std::ifstream table("/proc/mounts");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, mount_point, type;
    if (!(fields >> device >> mount_point >> type) || IsPseudoFileSystem(type)) continue;
    mount_point = UnescapeMountField(mount_point);
    // Files can be mounted too (a container's /etc/hosts); only folders are drives.
    if (!IsFolder(mount_point)) continue;
    if (mount_point.rfind("/proc", 0) == 0 || mount_point.rfind("/sys", 0) == 0 ||
        mount_point.rfind("/dev", 0) == 0 || mount_point.rfind("/run", 0) == 0) {
      continue;
    }
    if (std::find(mounts.begin(), mounts.end(), mount_point) == mounts.end()) {
      mounts.push_back(mount_point);
    }
  }
  if (std::find(mounts.begin(), mounts.end(), "/") == mounts.end()) mounts.push_back("/");
  std::sort(mounts.begin(), mounts.end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
  return mounts;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent), mounts_(MountPoints()) {
  for (const std::string& mount : mounts_) addItem(DisplayName(mount));
  // A wheel turned over the window on its way elsewhere must not switch drives.
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) emit driveChanged();
  });
}

void DriveList::refill() {
  std::string chosen = drive();
  std::vector<std::string> mounts = MountPoints();
  if (mounts == mounts_) return;
  bool blocked = blockSignals(true);
  mounts_ = std::move(mounts);
  clear();
  for (const std::string& mount : mounts_) addItem(DisplayName(mount));
  auto found = std::find(mounts_.begin(), mounts_.end(), chosen);
  if (found == mounts_.end()) {
    // The chosen drive was unmounted: show it still, as the folder list stays on it.
    mounts_.push_back(chosen);
    addItem(DisplayName(chosen));
    found = mounts_.end() - 1;
  }
  setCurrentIndex(static_cast<int>(found - mounts_.begin()));
  blockSignals(blocked);
}

// A disk mounted after start-up is offered the next time the list opens.
void DriveList::showPopup() {
  refill();
  QComboBox::showPopup();
}

void DriveList::wheelEvent(QWheelEvent* event) {
  if (!hasFocus()) {
    event->ignore();
    return;
  }
  QComboBox::wheelEvent(event);
}

std::string DriveList::drive() const {
  int index = currentIndex();
  if (index >= 0 && index < static_cast<int>(mounts_.size())) return mounts_[index];
  return mounts_.empty() ? "/" : mounts_.front();
}

int DriveList::indexOfDriveFor(const std::string& path) const {
  std::string mount = MountPointOf(path, mounts_, NativePathStyle());
  auto found = std::find(mounts_.begin(), mounts_.end(), mount);
  return found == mounts_.end() ? -1 : static_cast<int>(found - mounts_.begin());
}

void DriveList::setDrive(const std::string& path) {
  int index = indexOfDriveFor(path);
  if (index >= 0) setCurrentIndex(index);
}

void DriveList::showDriveOf(const std::string& path) {
  int index = indexOfDriveFor(path);
  if (index < 0 || index == currentIndex()) return;
  bool blocked = blockSignals(true);
  setCurrentIndex(index);
  blockSignals(blocked);
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemActivated, this, &FolderList::openItem);
}

void FolderList::openItem(QListWidgetItem* item) {
  if (item != nullptr) open(item->data(kPathRole).toByteArray().toStdString());
}

void FolderList::open(const std::string& folder) {
  Failure failure;
  if (setPath(folder, &failure)) return;
  if (!IsFolder(folder)) {
    // The folder was deleted while shown: the list must not go on offering it, so it moves to
    // the nearest folder that still exists (the open one, when only a subfolder went).
    std::string nearest = ParentOf(Normalized(folder));
    while (!IsRoot(nearest) && !IsFolder(nearest)) nearest = ParentOf(nearest);
    Failure ignored;
    if (setPath(nearest, &ignored)) {
      failure.description += " (the folder list now shows " + path_ + ")";
    }
  }
  emit openFailed(failure);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  bool alt_up = event->key() == Qt::Key_Up && (event->modifiers() & Qt::AltModifier) != 0;
  if (event->key() == Qt::Key_Backspace || alt_up) {
    event->accept();
    if (!IsRoot(path_)) open(ParentOf(path_));
    return;
  }
  QListWidget::keyPressEvent(event);
}

// Entries are indented to show the tree; typing matches the folder's name, not the blanks.
void FolderList::keyboardSearch(const QString& search) {
  if (search.isEmpty() || count() == 0) return;
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  bool fresh = now - last_search_ms_ > QApplication::keyboardInputInterval();
  last_search_ms_ = now;
  search_ = fresh ? search : search_ + search;
  // A new search starts below the current entry, so typing a letter again steps on.
  int start = std::max(currentRow(), 0) + (fresh ? 1 : 0);
  for (int step = 0; step < count(); ++step) {
    int row = (start + step) % count();
    if (item(row)->text().trimmed().startsWith(search_, Qt::CaseInsensitive)) {
      setCurrentRow(row);
      return;
    }
  }
}

bool FolderList::setPath(const std::string& folder, Failure* err) {
  std::string target = Normalized(folder);
  std::vector<std::string> subfolders;
  if (!ListSubfolders(target, &subfolders, err)) return false;
  bool changed = target != path_;
  path_ = target;
  fill(subfolders);
  setToolTip(DisplayName(path_));
  std::vector<std::string> mounts = MountPoints();
  std::string drive = MountPointOf(path_, mounts, NativePathStyle());
  auto known = std::find_if(last_folder_of_drive_.begin(), last_folder_of_drive_.end(),
                            [&](const auto& pair) { return pair.first == drive; });
  if (known == last_folder_of_drive_.end()) {
    last_folder_of_drive_.emplace_back(drive, path_);
  } else {
    known->second = path_;
  }
  if (changed) emit pathChanged();
  return true;
}

std::string FolderList::currentFolderOfDrive(const std::string& drive) const {
  for (const auto& [known_drive, folder] : last_folder_of_drive_) {
    if (known_drive == drive) return folder;
  }
  return drive;
}

void FolderList::fill(const std::vector<std::string>& subfolders) {
  clear();
  last_search_ms_ = 0;  // typing in a new folder starts a new search
  QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  std::vector<std::string> chain;
  for (std::string folder = path_;; folder = ParentOf(folder)) {
    chain.push_back(folder);
    if (IsRoot(folder)) break;
  }
  std::reverse(chain.begin(), chain.end());
  int depth = 0;
  for (const std::string& folder : chain) {
    std::string name = LastPart(folder, NativePathStyle());
    auto* item = new QListWidgetItem(open_icon, QString(depth * 2, ' ') + DisplayName(name), this);
    item->setData(kPathRole, QByteArray::fromStdString(folder));
    ++depth;
  }
  for (const std::string& name : subfolders) {
    std::string folder = ChildFolder(path_, name, NativePathStyle());
    auto* item =
        new QListWidgetItem(closed_icon, QString(depth * 2, ' ') + DisplayName(name), this);
    item->setData(kPathRole, QByteArray::fromStdString(folder));
  }
  setCurrentRow(static_cast<int>(chain.size()) - 1);
}

}  // namespace gamefold
