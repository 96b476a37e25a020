#include <QApplication>
#include <QElapsedTimer>
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
#include "core/game_day.h"
#include "core/numbers.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"
#include "runs/runs.h"
#include "site/site.h"

namespace gamefold {

namespace {

// How long a click waits for another program writing into the output folder: the window
// cannot answer meanwhile, so less than gamefold-batch waits.
constexpr double kWindowLockWaitSeconds = 10;

// One picture of a screen that shows sixty a second.
constexpr qint64 kProgressPictureMs = 16;

// The trace text of a command waiting for the output folder, beyond the designed ones.
constexpr std::string_view kTraceWaitingForLock = " waiting for another writer ";

// Whether the selected days all have their pages: a run that stopped before or at a day keeps
// the days selected, so the user can mend the cause and process again.
bool DaysWritten(const RunResult& run) {
  return run.failed_at != RunStage::kLock && run.failed_at != RunStage::kDays &&
         run.failed_at != RunStage::kSite;
}

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

// The forced repaint of the days done, of the window but only where it changed: the list that lost
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

// The folders of the window's runs as it lists them; the run waits less than gamefold-batch.
RunPlace Form1::RunPlaceOf(bool* pointer_shown) {
  return {ui_.File1.path(),
          ui_.File2.path(),
          kWindowLockWaitSeconds,
          LockWaiting(pointer_shown),
          false,
          &ui_.File1.names()};
}

OutputSettings Form1::OutputSettingsOf() const { return {ChosenContent(), charset_, false, site_}; }

// What the standings leave out goes to the trace.
void Form1::TraceSite(const SiteResult& result) {
  if (!result.league_problem.empty()) Trace(" " + result.league_problem + " ");
  for (const std::string& name : result.uncounted) Trace(" not in the standings " + name + " ");
}

// Writes the page of every day of "Game Days Selected", first to last; each day leaves the list
// once its page is in place. Stops at a day that fails, which stays in the list. With the site,
// the neighbours of the days get their links too, after the selected days.
RunResult Form1::ProcessSelectedDays() {
  // Nothing else runs until the click ends, so the selection cannot change meanwhile.
  ProcessRequest request{DayChoice::kGiven, {}, IndexChoice::kNever, &ui_.File2.names()};
  for (int row = 0; row < ui_.List2->count(); ++row) {
    request.keys.emplace_back(DayKeyOf(ui_.List2->item(row)->text().toStdString()));
  }
  size_t selected = request.keys.size(), days = 0, days_done = 0, games = 0;
  RunEvents events;
  events.writing = [&](std::span<const std::string> keys, std::span<const std::string>) {
    days = keys.size();
    if (days > 0) ShowProgress(0, days, 0);
  };
  events.day.reading_file = [&](const std::string& file_name) {
    Trace(file_name);
    ++games;
  };
  events.day.page_opened = [this](std::string_view key) { Trace(key); };
  // A day's page takes a fraction of a millisecond, less than repainting for it, and a screen
  // shows no more than about sixty pictures a second: days done within one picture are shown
  // together. The first and the last are always shown.
  QElapsedTimer since_shown;
  events.day.day_done = [&](std::string_view, size_t) {
    if (days_done < selected) delete ui_.List2->takeItem(0);
    ++days_done;
    if (days_done == 1 || days_done == days || since_shown.elapsed() >= kProgressPictureMs) {
      ShowProgress(days_done, days, games);
      since_shown.start();
    }
  };
  events.days_ended = [this](size_t) { ui_.progress->setVisible(false); };
  events.site = [this](const SiteResult& result) { TraceSite(result); };
  RunResult result;
  // gamefold-batch may be writing into the same folder; the days wait selected until it is done.
  // Its result tells where the run stopped, more than the bool it returns.
  (void)ProcessRun(RunPlaceOf(nullptr), OutputSettingsOf(), request, &processor_, events, &result);
  return result;
}

void Form1::Command1_Click() {
  BusyScope busy(&busy_);
  Trace(kTraceStartingProcess);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // One run shows one box: a later failure is mostly the first one's consequence (a folder
  // gone cannot be written to nor listed), so it is traced instead.
  bool reported = false;
  auto report = [&](const Failure& failed) {
    reported ? TraceFailure(failed) : Error_Message(failed);
    reported = true;
  };
  Failure failure;
  if (!Write_Settings(&failure)) report(failure);
  RunResult run = ProcessSelectedDays();
  // The catalogue's own failure is shown with the catalogue.
  if (!run.done && run.failed_at != RunStage::kCatalogue) report(run.failure);
  for (const Failure& later : run.later_failures) report(later);
  if (DaysWritten(run)) DisableProcess();
  SetCount(ui_.txtDaysIn, ui_.List1->count());
  if (run.output_listed) ui_.File2.SetNames(std::move(run.output_names));
  SetCount(ui_.txtDaysOut, static_cast<long>(ui_.File2.names().size()));
  run.catalogue ? ShowCatalogue(*run.catalogue) : RebuildCatalogue();
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
  bool pointer_shown = false;
  std::vector<std::string> names_before = ui_.File2.names();
  RunEvents events;
  events.site = [this](const SiteResult& result) { TraceSite(result); };
  RunResult run;
  (void)IndexRun(RunPlaceOf(&pointer_shown), OutputSettingsOf(), true, events, &run);
  if (run.output_listed) ui_.File2.SetNames(std::move(run.output_names));
  if (pointer_shown) QApplication::restoreOverrideCursor();
  if (!run.done) Error_Message(run.failure);
  if (ui_.File2.names() != names_before) {
    RebuildCatalogue();
    SetCount(ui_.txtDaysOut, static_cast<long>(ui_.File2.names().size()));
    ui_.cmdBuildIndex->setEnabled(!ui_.File2.names().empty());
  }
  Trace(kTraceBackFromIndexing);
}

}  // namespace gamefold
