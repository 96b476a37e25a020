#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/day_list.h"
#include "app/folder_picker.h"
#include "app/form1.h"
#include "app/form1_internal.h"
#include "app/window_texts.h"
#include "catalogue/catalogue.h"

namespace gamefold {

namespace {

// The trace text of a day taken out of the selection, beyond the designed ones.
constexpr std::string_view kTraceUnpick = " Unselect a game day ";

}  // namespace

void Form1::PointFileList(FileList* files, const FolderList* dir) {
  Failure failure;
  if (!files->SetPath(dir->path(), &failure)) Error_Message(failure);
}

void Form1::DriveChanged(const Side& side) {
  BusyScope busy(&busy_);
  Trace(side.drive_change);
  // The folder list moves to the folder last open on the new drive, running its own handler.
  Failure failure;
  if (!side.dir->setPath(side.dir->currentFolderOfDrive(side.drive->drive()), &failure)) {
    Error_Message(failure);
    side.drive->showDriveOf(side.dir->path());
  }
  Trace(side.files->path());
}

// What both folder handlers do first: the drive list and the hidden file list follow.
void Form1::FolderChanged(const Side& side) {
  Trace(side.dir_change);
  side.drive->showDriveOf(side.dir->path());
  PointFileList(side.files, side.dir);
}

void Form1::Dir1_Change() {
  BusyScope busy(&busy_);
  FolderChanged(Input());
  if (!ui_.File1.names().empty()) {
    RebuildCatalogue();
  } else {
    SetIndicator(NoGamesLook());
    ui_.Label7->setToolTip(QString());
    catalogue_entries_.clear();
    listed_folder_ = ui_.File1.path();
    SetListEntries(ui_.List1, {});
    SetListEntries(ui_.List2, {});
  }
  SetCount(ui_.txtDaysIn, ui_.List1->count());
  Trace(ui_.File1.path());
  WatchFolders();
}

void Form1::Dir2_Change() {
  BusyScope busy(&busy_);
  FolderChanged(Output());
  RebuildCatalogue();
  ui_.cmdBuildIndex->setEnabled(!ui_.File2.names().empty());
  SetCount(ui_.txtDaysOut, static_cast<long>(ui_.File2.names().size()));
  Trace(ui_.File2.path());
  WatchFolders();
}

// Watches the two folders the window lists; a folder that is gone is not watched.
void Form1::WatchFolders() {
  QStringList folders;
  for (const std::string& path : {ui_.File1.path(), ui_.File2.path()}) {
    QString folder = FromBytes(path);
    if (!path.empty() && IsFolder(path) && !folders.contains(folder)) folders << folder;
  }
  if (folders == watcher_->directories()) return;
  if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
  if (!folders.isEmpty()) watcher_->addPaths(folders);
}

// A folder changed on disk: what it now holds is handled as if the user had just chosen it.
// Nothing runs inside another handler (a message box waits for OK inside it), nor for changes
// that leave the listing as it was (a page rewritten, the writers' lock file).
void Form1::FoldersChanged() {
  if (busy_ > 0) {
    refresh_timer_->start();
    return;
  }
  // A folder that can no longer be read stays shown as it was: the next command says why.
  auto changed = [](const FileList& shown) {
    FileList now(shown.pattern());
    Failure ignored;
    return !shown.path().empty() && now.SetPath(shown.path(), &ignored) &&
           now.names() != shown.names();
  };
  bool input_changed = changed(ui_.File1), output_changed = changed(ui_.File2);
  if (input_changed) Dir1_Change();
  if (output_changed) Dir2_Change();
  WatchFolders();
}

void Form1::RebuildCatalogue() {
  ShowCatalogue(BuildCatalogue(ui_.File1.names(), ui_.File2.names()));
}

void Form1::ShowCatalogue(const CatalogueResult& result) {
  for (const CatalogueStep& step : result.trace) Trace(TraceText(step));
  if (result.list_replaced) {
    catalogue_entries_ = result.entries;
    listed_folder_ = ui_.File1.path();
    ShowAvailableDays();
  } else if (ui_.File1.path() != listed_folder_) {
    // The days shown were listed for the folder shown before: none of them is in this one.
    catalogue_entries_.clear();
    listed_folder_ = ui_.File1.path();
    SetListEntries(ui_.List1, {});
  }
  if (result.indicator) SetIndicator(LookOf(*result.indicator));
  // The indicator alone cannot say why it stayed as it was, or that the year it shows does not
  // hold for every boxscore.
  if (result.end == CatalogueResult::End::kFileError ||
      result.end == CatalogueResult::End::kListed) {
    ui_.Label7->setToolTip(FromBytes(result.notice));
  }
  if (result.days_in) SetCount(ui_.txtDaysIn, ui_.List1->count());
  if (result.days_out) SetCount(ui_.txtDaysOut, *result.days_out);
  if (result.end == CatalogueResult::End::kFailed) {
    Error_Message(result.failure);
    TraceFailure(result.failure);
    Trace(kTraceNoDates2);
  }
}

// The catalogue's days less those already selected, so that no day can be selected twice.
void Form1::ShowAvailableDays() {
  std::vector<std::string> entries;
  for (const std::string& entry : catalogue_entries_) {
    if (ui_.List2->findItems(FromBytes(entry), Qt::MatchExactly).isEmpty()) {
      entries.push_back(entry);
    }
  }
  SetListEntries(ui_.List1, entries);
}

// Puts a day taken out of the selection back in its calendar place among the days available,
// when the last rebuild listed it (a day published meanwhile is not).
void Form1::ReturnToAvailable(const QString& entry) {
  auto place = [this](const QString& text) {
    return std::find(catalogue_entries_.begin(), catalogue_entries_.end(), text.toStdString()) -
           catalogue_entries_.begin();
  };
  auto at = place(entry);
  if (at == static_cast<std::ptrdiff_t>(catalogue_entries_.size()) ||
      !ui_.List1->findItems(entry, Qt::MatchExactly).isEmpty() ||
      !ui_.List2->findItems(entry, Qt::MatchExactly).isEmpty()) {
    return;
  }
  int row = 0;
  while (row < ui_.List1->count() && place(ui_.List1->item(row)->text()) < at) ++row;
  updating_lists_ = true;
  ui_.List1->insertItem(row, entry);
  updating_lists_ = false;
}

void Form1::List2_Unpick(int row) {
  if (row < 0 || row >= ui_.List2->count()) return;
  QString entry = ui_.List2->item(row)->text();
  Trace(kTraceUnpick);
  Trace(entry.toStdString());
  delete ui_.List2->takeItem(row);
  // The next entry takes the removed one's place, so that Delete can go on down the list.
  ui_.List2->setCurrentRow(std::min(row, ui_.List2->count() - 1));
  ReturnToAvailable(entry);
  if (ui_.List2->count() == 0) DisableProcess();
}

// Disabled, the button would hand the focus to "E&XIT", and the next Space would quit.
void Form1::DisableProcess() {
  if (ui_.Command1->hasFocus()) ui_.List1->setFocus(Qt::OtherFocusReason);
  ui_.Command1->setEnabled(false);
}

void Form1::List1_Click(int row) {
  if (updating_lists_ || row < 0 || row >= ui_.List1->count()) return;
  std::string entry = ui_.List1->item(row)->text().toStdString();
  Trace(" Click a game day ");
  ui_.List2->addItem(ui_.List1->item(row)->text());
  Trace(entry);
  updating_lists_ = true;
  delete ui_.List1->takeItem(row);
  ui_.List1->setCurrentRow(-1);
  ui_.List1->clearSelection();
  updating_lists_ = false;
  ui_.Command1->setEnabled(ui_.List2->count() > 0);
}

void Form1::SetIndicator(const IndicatorLook& look) {
  ui_.Label7->setText(FromBytes(look.caption));
  QPalette palette = ui_.Label7->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(look.rgb));
  ui_.Label7->setPalette(palette);
}

void Form1::SetCount(QLineEdit* box, long count) {
  box->setText(QString::number(count));
  box->repaint();
}

void Form1::SetListEntries(QListWidget* list, const std::vector<std::string>& entries) {
  updating_lists_ = true;
  list->clear();
  for (const std::string& entry : entries) list->addItem(FromBytes(entry));
  list->setCurrentRow(-1);
  updating_lists_ = false;
}

}  // namespace gamefold
