#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <iterator>

#include "app/day_list.h"
#include "app/folder_picker.h"
#include "app/form1.h"
#include "app/form1_internal.h"
#include "app/window_texts.h"
#include "core/folder_lock.h"
#include "core/game_day.h"
#include "core/numbers.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"
#include "site/site.h"

namespace gamefold {

namespace {

// How long a click waits for another program writing into the output folder: the window
// cannot answer meanwhile, so less than gamefold-batch waits.
constexpr double kWindowLockWaitSeconds = 10;

// The trace text of a command waiting for the output folder, beyond the designed ones.
constexpr std::string_view kTraceWaitingForLock = " waiting for another writer ";

}  // namespace

ContentChoice Form1::ChosenContent() const {
  // The list always has a line selected; should it lose it, the first choice is the safe one.
  int row = ui_.List3->currentRow();
  return row >= 0 && row < static_cast<int>(std::size(kContentChoices)) ? kContentChoices[row]
                                                                        : kContentChoices[0];
}

void Form1::ShowContentChoice(ContentChoice choice) {
  auto row = std::find(std::begin(kContentChoices), std::end(kContentChoices), choice);
  ui_.List3->setCurrentRow(static_cast<int>(row - std::begin(kContentChoices)));
}

// The forced repaint of each day, of the window but only where it changed: the list that lost
// the day and the bar. A repaint of the whole window, or one for each of the two, costs more
// than writing the day's page.
void Form1::ShowProgress(size_t days_done, size_t days, size_t games) {
  // The bar would repaint itself at once on some of these changes; it is painted once below.
  ui_.progress->setUpdatesEnabled(false);
  ui_.progress->setRange(0, static_cast<int>(days));
  ui_.progress->setValue(static_cast<int>(days_done));
  ui_.progress->setFormat(QString("%1 of %2 days, %3 games").arg(days_done).arg(days).arg(games));
  ui_.progress->setUpdatesEnabled(true);
  if (!ui_.progress->isVisible()) {
    ui_.progress->setVisible(true);
    repaint();
  } else {
    // Inside the list's frame, which stays as it was: its rows and its scroll bar.
    QRegion changed = QRegion(ui_.List2->contentsRect().translated(ui_.List2->pos()));
    repaint(changed + ui_.progress->geometry());
  }
}

// Writes the page of every day of "Game Days Selected", first to last; each day leaves the list
// once its page is in place. Stops at a day that fails, which stays in the list.
// The standings and team pages, from the day pages in the output folder; the caller holds the
// folder's lock. What the standings leave out goes to the trace.
bool Form1::WriteSitePages(Failure* err) {
  SiteResult result;
  bool done =
      WriteSite({ui_.File1.path(), ui_.File1.names(), ui_.File2.path(), charset_}, &result, err);
  if (!result.league_problem.empty()) Trace(" " + result.league_problem + " ");
  for (const std::string& name : result.uncounted) Trace(" not in the standings " + name + " ");
  return done;
}

bool Form1::ProcessSelectedDays(Failure* err) {
  // Nothing else runs until the click ends, so the selection cannot change meanwhile.
  std::vector<std::string> keys;
  for (int row = 0; row < ui_.List2->count(); ++row) {
    keys.emplace_back(DayKeyOf(ui_.List2->item(row)->text().toStdString()));
  }
  // gamefold-batch may be writing into the same folder; the days wait selected until it is done.
  FolderLock lock;
  if (!keys.empty() &&
      !lock.Acquire(ui_.File2.path(), kWindowLockWaitSeconds, err, LockWaiting(nullptr))) {
    return false;
  }
  ProcessJob job{ui_.File1.path(), ui_.File1.names(), ui_.File2.path(), ChosenContent(), charset_};
  // With the site, the neighbours of the days get their links too, after the selected days.
  size_t selected = keys.size();
  std::vector<std::string> site_days;
  if (site_ && !keys.empty()) {
    AddSiteNeighbours(ui_.File2.names(), ui_.File1.names(), &keys, &site_days);
    job.site_days = &site_days;
  }
  size_t days_done = 0, games = 0;
  ProcessEvents events;
  events.reading_file = [&](const std::string& file_name) {
    Trace(file_name);
    ++games;
  };
  events.page_opened = [this](std::string_view key) { Trace(key); };
  events.day_done = [&](std::string_view, size_t) {
    if (days_done < selected) delete ui_.List2->takeItem(0);
    ShowProgress(++days_done, keys.size(), games);
  };
  if (!keys.empty()) ShowProgress(0, keys.size(), 0);
  bool all_done = processor_.ProcessDays(job, keys, events, err) == keys.size();
  ui_.progress->setVisible(false);
  if (all_done && site_ && !keys.empty()) all_done = WriteSitePages(err);
  return all_done;
}

void Form1::Command1_Click() {
  BusyScope busy(&busy_);
  Trace(kTraceStartingProcess);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // One run shows one box: a later failure is mostly the first one's consequence (a folder
  // gone cannot be written to nor listed), so it is traced instead.
  bool reported = false;
  auto report = [&](const Failure& failed) {
    if (reported) {
      TraceFailure(failed);
    } else {
      Error_Message(failed);
      reported = true;
    }
  };
  Failure failure;
  if (!Write_Settings(&failure)) report(failure);

  // A failed day stays selected, so the user can mend the cause and process again.
  bool all_done = ProcessSelectedDays(&failure);
  if (!all_done) {
    report(failure);
  } else {
    DisableProcess();
  }
  SetCount(ui_.txtDaysIn, ui_.List1->count());
  if (!ui_.File2.SetPath(ui_.Dir2->path(), &failure)) report(failure);
  SetCount(ui_.txtDaysOut, static_cast<long>(ui_.File2.names().size()));
  RebuildCatalogue();
  QApplication::restoreOverrideCursor();
  if (LeadingNumber(ui_.txtDaysOut->text().toStdString()) > 0) {
    ui_.cmdBuildIndex->setEnabled(true);
  }
  Trace(kTraceBackFromProcess);
}

// Another writer holds the output folder: the user sees the window wait, and the log says why.
// The pointer is set here only when no command has set it already.
std::function<void()> Form1::LockWaiting(bool* pointer_shown) {
  return [this, pointer_shown] {
    Trace(kTraceWaitingForLock);
    if (pointer_shown != nullptr) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      *pointer_shown = true;
    }
  };
}

void Form1::cmdBuildIndex_Click() {
  BusyScope busy(&busy_);
  Trace(kTraceStartingIndexes);
  Failure failure;
  FolderLock lock;
  bool pointer_shown = false;
  // The folder is listed again under the lock: pages written or deleted by another program
  // since the last listing are linked or left out as they are now.
  std::vector<std::string> names_before = ui_.File2.names();
  bool written = lock.Acquire(ui_.File2.path(), kWindowLockWaitSeconds, &failure,
                              LockWaiting(&pointer_shown)) &&
                 ui_.File2.Refresh(&failure) && (!site_ || WriteSitePages(&failure)) &&
                 WriteIndexPage(ui_.File2.path(), ui_.File2.names(), &failure, charset_, nullptr,
                                false, site_);
  lock.Release();
  if (pointer_shown) QApplication::restoreOverrideCursor();
  if (!written) Error_Message(failure);
  if (ui_.File2.names() != names_before) {
    RebuildCatalogue();
    SetCount(ui_.txtDaysOut, static_cast<long>(ui_.File2.names().size()));
    ui_.cmdBuildIndex->setEnabled(!ui_.File2.names().empty());
  }
  Trace(kTraceBackFromIndexing);
}

}  // namespace gamefold
