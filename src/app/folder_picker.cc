#include "app/folder_picker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/folder_listing.h"

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

std::string ParentOf(const std::string& folder) {
  if (folder == "/") return folder;
  size_t slash = folder.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : folder.substr(0, slash);
}

bool ListSubfolders(const std::string& folder, std::vector<std::string>* names, Failure* err) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    *err = FailureFromErrno(errno, "cannot open the folder", folder);
    return false;
  }
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    bool is_dir = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      is_dir = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
    }
    if (is_dir) names->emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names->begin(), names->end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
  return true;
}

// Folder paths as the pickers keep them: absolute, no trailing "/" but for the root.
std::string Normalized(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder.empty() ? "/" : folder;
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
  std::vector<std::string> mounts;
  std::ifstream table("/proc/mounts");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, mount_point, type;
    if (!(fields >> device >> mount_point >> type) || IsPseudoFileSystem(type)) continue;
    mount_point = UnescapeMountField(mount_point);
    // Files can be mounted too (a container's /etc/hosts); only folders are drives.
    struct stat info {};
    if (::stat(mount_point.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
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

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mounts) {
  std::string best = "/";
  for (const std::string& mount : mounts) {
    bool below = path.rfind(mount, 0) == 0 &&
                 (mount == "/" || (path.size() > mount.size() && path[mount.size()] == '/'));
    bool holds = path == mount || below;
    if (holds && mount.size() > best.size()) best = mount;
  }
  return best;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent), mounts_(MountPoints()) {
  for (const std::string& mount : mounts_) addItem(DisplayName(mount));
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) emit driveChanged();
  });
}

std::string DriveList::drive() const {
  int index = currentIndex();
  return index >= 0 && index < static_cast<int>(mounts_.size()) ? mounts_[index] : "/";
}

int DriveList::indexOfDriveFor(const std::string& path) const {
  std::string mount = MountPointOf(path, mounts_);
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
  if (item == nullptr) return;
  Failure failure;
  if (!setPath(item->data(kPathRole).toByteArray().toStdString(), &failure)) {
    emit openFailed(failure);
  }
}

bool FolderList::setPath(const std::string& folder, Failure* err) {
  std::string target = Normalized(folder);
  std::vector<std::string> subfolders;
  if (!ListSubfolders(target, &subfolders, err)) return false;
  bool changed = target != path_;
  path_ = target;
  fill(subfolders);
  std::vector<std::string> mounts = MountPoints();
  std::string drive = MountPointOf(path_, mounts);
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
  QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  std::vector<std::string> chain;
  for (std::string folder = path_;; folder = ParentOf(folder)) {
    chain.push_back(folder);
    if (folder == "/") break;
  }
  std::reverse(chain.begin(), chain.end());
  int depth = 0;
  for (const std::string& folder : chain) {
    std::string name = folder == "/" ? "/" : folder.substr(folder.rfind('/') + 1);
    auto* item = new QListWidgetItem(open_icon, QString(depth * 2, ' ') + DisplayName(name), this);
    item->setData(kPathRole, QByteArray::fromStdString(folder));
    ++depth;
  }
  for (const std::string& name : subfolders) {
    std::string folder = path_ == "/" ? "/" + name : path_ + "/" + name;
    auto* item =
        new QListWidgetItem(closed_icon, QString(depth * 2, ' ') + DisplayName(name), this);
    item->setData(kPathRole, QByteArray::fromStdString(folder));
  }
  setCurrentRow(static_cast<int>(chain.size()) - 1);
}

}  // namespace gamefold
