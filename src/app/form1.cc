#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/day_list.h"
#include "app/folder_path.h"
#include "app/folder_picker.h"
#include "app/form1_internal.h"
#include "app/message_box.h"
#include "app/settings_file.h"
#include "core/game_day.h"
#include "core/numbers.h"
#include "core/platform_paths.h"
#include "core/text_file.h"
#include "daypages/process.h"

namespace gamefold {

namespace {

// Empty when the folder the program was started from no longer exists.
std::string CurrentDirectory() { return platform::CurrentFolder(); }

}  // namespace

Form1::Side Form1::Input() {
  return {ui_.Drive1, ui_.Dir1, &ui_.File1, " change drive1 ", " change dir1 "};
}

Form1::Side Form1::Output() {
  return {ui_.Drive2, ui_.Dir2, &ui_.File2, " change drive2 ", " change dir2 "};
}

Form1::Form1(const Clock* clock, QWidget* parent)
    : QWidget(parent), clock_(clock != nullptr ? clock : &system_clock_), trace_(clock_) {
  current_dir_ = CurrentDirectory();
  own_files_ = !current_dir_.empty();
  CreateControls();
  Form_Load();
}

Form1::~Form1() = default;

// The window starts on the current directory; the change handlers are connected only after
// that, so nothing runs until start-up or the user changes a folder.
void Form1::ShowStartFolder() {
  Failure ignored;
  std::string start = current_dir_.empty() ? MountPoints().front() : current_dir_;
  for (const Side& side : {Input(), Output()}) {
    side.drive->showDriveOf(start);
    // A start folder that cannot be shown leaves its lists empty, which tells the user as much
    // as a message would, before the window is even up; another folder can be picked.
    (void)side.dir->setPath(start, &ignored);
    (void)side.files->SetPath(side.dir->path(), &ignored);
  }
}

void Form1::ConnectHandlers() {
  connect(ui_.Drive1, &DriveList::driveChanged, this, [this] { DriveChanged(Input()); });
  connect(ui_.Dir1, &FolderList::pathChanged, this, &Form1::Dir1_Change);
  connect(ui_.Drive2, &DriveList::driveChanged, this, [this] { DriveChanged(Output()); });
  connect(ui_.Dir2, &FolderList::pathChanged, this, &Form1::Dir2_Change);
  connect(ui_.Dir1, &FolderList::openFailed, this, &Form1::Error_Message);
  connect(ui_.Dir2, &FolderList::openFailed, this, &Form1::Error_Message);
  connect(ui_.List1, &DayList::picked, this, &Form1::List1_Click);
  connect(ui_.List2, &SelectedDayList::unpicked, this, &Form1::List2_Unpick);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, refresh_timer_,
          qOverload<>(&QTimer::start));
  connect(refresh_timer_, &QTimer::timeout, this, &Form1::FoldersChanged);
  connect(ui_.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(ui_.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(ui_.cmdBuildIndex, &QPushButton::clicked, this, &Form1::cmdBuildIndex_Click);
}

void Form1::Form_Load() {
  ui_.txtDaysOut->setText("0");
  for (ContentChoice choice : kContentChoices) {
    auto* item = new QListWidgetItem(FromBytes(ChoiceLabel(choice)), ui_.List3);
    item->setToolTip(item->text());
  }
  ui_.List3->setCurrentRow(0);

  Failure failure;
  bool in_use = false;
  if (!own_files_) {
    // Falling back to another folder would write the log and settings where they do not
    // belong (as root, into "/").
    failure = {76,
               "the folder the program was started from no longer exists (the program goes "
               "on without its trace log and settings)"};
    Error_Message(failure);
  } else if (!trace_.Open(JoinPath(current_dir_, kTraceLogName), &failure, &in_use)) {
    if (in_use) {
      own_files_ = false;
      failure.description += " and the settings in this folder (this window goes on without them)";
    } else {
      failure.description += " (the program goes on without a trace log)";
    }
    Error_Message(failure);
  }
  Trace(" starting ");
  ui_.Command1->setEnabled(false);
  if (!current_dir_.empty() && FileExists(JoinPath(current_dir_, kSettingsFileName))) {
    Read_Settings();
  }
  ui_.File1.set_pattern(std::string(kBoxscorePattern));
  Trace(ui_.txtDaysOut->text().toStdString() + " Days out");
  if (LeadingNumber(ui_.txtDaysOut->text().toStdString()) == 0)
    ui_.cmdBuildIndex->setEnabled(false);
  Trace(ui_.txtDaysIn->text().toStdString() + " Days in");
  Trace(ui_.File1.path());
  Trace(ui_.File2.path());
  Trace(" finished load ");
  WatchFolders();
}

void Form1::Command2_Click() {
  SaveSettingsOnLeaving();
  Trace(" exit ");
  trace_.Close();
  close();
  QApplication::quit();
}

void Form1::closeEvent(QCloseEvent* event) {
  SaveSettingsOnLeaving();
  QWidget::closeEvent(event);
}

// Folders chosen without a "&PROCESS" are remembered too. Leaving shows no box: a failure is
// traced.
void Form1::SaveSettingsOnLeaving() {
  if (settings_saved_on_leaving_) return;
  settings_saved_on_leaving_ = true;
  Failure failure;
  if (!Write_Settings(&failure)) TraceFailure(failure);
}

void Form1::TraceFailure(const Failure& failure) {
  Trace(" Error Encountered " + std::to_string(failure.number) + " " + failure.description + " ");
}

void Form1::Trace(std::string_view text) { trace_.Trace(text); }

void Form1::Error_Message(const Failure& failure) {
  ShowMessageBox(this, FromBytes(ErrorMessageText(failure)));
}

void Form1::Read_Settings() {
  std::vector<char> bytes;
  Failure failure;
  if (!ReadWholeFile(JoinPath(current_dir_, kSettingsFileName), &bytes, &failure)) {
    Error_Message(failure);
    return;
  }
  for (const SettingsLine& line : ParseSettings(std::string_view(bytes.data(), bytes.size()))) {
    switch (line.kind) {
      case SettingsLine::Kind::kInputFolder:
      case SettingsLine::Kind::kOutputFolder: {
        // A folder that is gone (or a path that is not absolute) is skipped: start-up goes on
        // with what the window shows.
        if (!IsAbsoluteFolder(line.folder, NativePathStyle()) || !IsFolder(line.folder)) break;
        RestoreSide(line.kind == SettingsLine::Kind::kInputFolder ? Input() : Output(),
                    line.folder);
        break;
      }
      case SettingsLine::Kind::kContentChoice:
        ShowContentChoice(line.choice);
        break;
      case SettingsLine::Kind::kCharset:
        charset_ = line.charset;
        break;
      case SettingsLine::Kind::kSite:
        site_ = true;
        break;
    }
  }
}

void Form1::RestoreSide(const Side& side, const std::string& folder) {
  Failure failure;
  side.drive->setDrive(folder);
  if (!side.dir->setPath(folder, &failure)) return;
  if (!side.files->SetPath(side.dir->path(), &failure)) Error_Message(failure);
}

bool Form1::Write_Settings(Failure* err) {
  if (!own_files_) return true;
  for (const std::string& folder : {ui_.File1.path(), ui_.File2.path()}) {
    if (!SavableFolder(folder)) Trace(" folder not saved, its name holds a line feed ");
  }
  return WriteSettingsFile(JoinPath(current_dir_, kSettingsFileName), ui_.File1.path(),
                           ui_.File2.path(), ChosenContent(), err, charset_, site_);
}

}  // namespace gamefold
