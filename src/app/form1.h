#pragma once

#include <QRect>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/trace_log.h"
#include "core/clock.h"
#include "core/failure.h"
#include "core/folder_listing.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace gamefold {

class DayList;
class DriveList;
class FolderList;

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

  /// The hidden file lists of the two folders.
  const FileList& File1() const { return File1_; }
  const FileList& File2() const { return File2_; }
  /// The month names that start-up fills, "Jan" to "Dec" at 1 to 12.
  const std::array<std::string, 13>& MonthNames() const { return MonthNames_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void Form_Load();
  void Command2_Click();
  void Command1_Click();
  void cmdBuildIndex_Click();
  void List1_Click(int row);
  void DriveChanged(DriveList* drive, FolderList* dir);
  void Drive1_Change();
  void Dir1_Change();
  void Drive2_Change();
  void Dir2_Change();
  void Get_Dates();
  void Read_Settings();
  bool Write_Settings(Failure* err);
  void Error_Message(const Failure& failure);
  void TraceFailure(const Failure& failure);
  void SaveSettingsOnLeaving();
  void Trace(std::string_view text);
  void TraceValue(const std::string& value);
  void RestoreSide(DriveList* drive, FolderList* dir, FileList* files, const std::string& folder);
  void PointFileList(FileList* files, const FolderList* dir);
  void SetIndicator(const std::string& caption, unsigned rgb);
  void SetCount(QLineEdit* box, long count);
  void SetListEntries(QListWidget* list, const std::vector<std::string>& entries);
  void ShowProgress(long days_done, long days, long games);
  int ContentChoiceNumber() const;

  SystemClock system_clock_;
  const Clock* clock_;
  TraceLog trace_;
  std::string current_dir_;
  FileList File1_{"*.box"};
  FileList File2_{"GamesOf*.*"};
  std::array<std::string, 13> MonthNames_;
  bool updating_lists_ = false;
  // False when the log and settings are not ours to write: the start folder is gone, or
  // another window uses them.
  bool own_files_ = true;
  bool settings_saved_on_leaving_ = false;

  DriveList* Drive1 = nullptr;
  FolderList* Dir1 = nullptr;
  DayList* List1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QListWidget* List2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  DriveList* Drive2 = nullptr;
  FolderList* Dir2 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* cmdBuildIndex = nullptr;
  QLineEdit* txtDaysIn = nullptr;
  QLineEdit* txtDaysOut = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QListWidget* List3 = nullptr;
  QLabel* Label7 = nullptr;
  QProgressBar* progress_ = nullptr;
  /// Each control's design place and size in twips, for proportional resizing.
  std::vector<std::pair<QWidget*, QRect>> placements_;
};

}  // namespace gamefold
