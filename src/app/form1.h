#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/trace_log.h"
#include "core/clock.h"
#include "core/content_choice.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "daypages/process.h"
#include "runs/runs.h"

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace gamefold {

class DayList;
struct IndicatorLook;
class DriveList;
class FocusFrameList;
class FolderList;
class SelectedDayList;

/// The window's controls by kind, each named as its objectName; form1.cc's layout table gives
/// their places and tab order. The file lists are never shown: they hold their folder's names.
struct Form1Controls {
  DriveList *Drive1 = nullptr, *Drive2 = nullptr;
  FolderList *Dir1 = nullptr, *Dir2 = nullptr;
  FileList File1{""}, File2{""};
  DayList* List1 = nullptr;
  SelectedDayList* List2 = nullptr;
  FocusFrameList* List3 = nullptr;
  QPushButton *Command1 = nullptr, *Command2 = nullptr, *cmdBuildIndex = nullptr;
  QLineEdit *txtDaysIn = nullptr, *txtDaysOut = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
         *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr;
  QProgressBar* progress = nullptr;  // shown only while "&PROCESS" works
};

/// The one window: two folder pickers, the game-day lists, the content choice, the counters,
/// the year indicator and the three commands. Start-up runs in the constructor, before the
/// window is first shown; the settings file and the trace log live in the current directory.
class Form1 : public QWidget {
  Q_OBJECT

 public:
  /// Builds the window and runs start-up. clock may be null for the system clock.
  explicit Form1(const Clock* clock = nullptr, QWidget* parent = nullptr);
  ~Form1() override;

  /// The window's design size in pixels (7140 x 6810 twips at 15 twips a pixel).
  static constexpr int kDesignWidth = 476;
  static constexpr int kDesignHeight = 454;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Side;

  void CreateControls();
  void ShowStartFolder();
  void ConnectHandlers();
  void Form_Load();
  void Command2_Click();
  void Command1_Click();
  [[nodiscard]] RunResult ProcessSelectedDays();
  RunPlace RunPlaceOf(bool* pointer_shown);
  OutputSettings OutputSettingsOf() const;
  void TraceSite(const SiteResult& result);
  void cmdBuildIndex_Click();
  void List1_Click(int row);
  void List2_Unpick(int row);
  void DisableProcess();
  Side Input();
  Side Output();
  void DriveChanged(const Side& side);
  void FolderChanged(const Side& side);
  void Dir1_Change();
  void Dir2_Change();
  void RebuildCatalogue();
  void ShowCatalogue(const CatalogueResult& result);
  void ShowAvailableDays();
  void ReturnToAvailable(const QString& entry);
  void WatchFolders();
  void FoldersChanged();
  std::function<void()> LockWaiting(bool* pointer_shown);
  void Read_Settings();
  [[nodiscard]] bool Write_Settings(Failure* err);
  void Error_Message(const Failure& failure);
  void TraceFailure(const Failure& failure);
  void SaveSettingsOnLeaving();
  void Trace(std::string_view text);
  void RestoreSide(const Side& side, const std::string& folder);
  void PointFileList(FileList* files, const FolderList* dir);
  void SetIndicator(const IndicatorLook& look);
  void SetCount(QLineEdit* box, long count);
  void SetListEntries(QListWidget* list, const std::vector<std::string>& entries);
  void ShowProgress(size_t days_done, size_t days, size_t games);
  ContentChoice ChosenContent() const;
  void ShowContentChoice(ContentChoice choice);

  SystemClock system_clock_;
  const Clock* clock_;
  TraceLog trace_;
  std::string current_dir_;
  std::string charset_;  // from the settings file's CHS line: declared in every page written
  bool site_ = false;    // from the settings file's SITE 1 line: the league's site is kept
  Form1Controls ui_;
  // Kept for the window's life: the buffers of one "&PROCESS" serve the next.
  DayProcessor processor_;
  bool updating_lists_ = false;
  // What the last rebuild listed for the input folder listed_folder_, in calendar order:
  // "Game Days Available" shows these days less the ones selected.
  std::vector<std::string> catalogue_entries_;
  std::string listed_folder_;
  // Files arriving in or leaving either folder refresh the window once they settle.
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* refresh_timer_ = nullptr;
  // Handlers running, with a message box open perhaps: no refresh starts inside them.
  int busy_ = 0;
  // False when the log and settings are not ours to write: the start folder is gone, or
  // another window uses them.
  bool own_files_ = true;
  bool settings_saved_on_leaving_ = false;
};

}  // namespace gamefold
