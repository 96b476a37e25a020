#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "app/day_list.h"
#include "app/folder_path.h"
#include "app/folder_picker.h"
#include "app/message_box.h"
#include "app/settings_file.h"
#include "catalogue/catalogue.h"
#include "core/game_day.h"
#include "core/numbers.h"
#include "core/folder_lock.h"
#include "core/platform.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"

namespace gamefold {

namespace {

// Twips per pixel at 96 dots per inch; Qt scales pixels for high-dpi screens itself.
constexpr double kTwipsPerPixel = 15.0;

// How long a click waits for another program writing into the output folder: the window
// cannot answer meanwhile, so less than gamefold-batch waits.
constexpr double kWindowLockWaitSeconds = 10;

// Empty when the folder the program was started from no longer exists.
std::string CurrentDirectory() { return platform::CurrentFolder(); }

QString FromBytes(std::string_view bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IsFolder(const std::string& path) {
  return platform::KindOfPath(path) == platform::EntryKind::kFolder;
}

}  // namespace

Form1::Form1(const Clock* clock, QWidget* parent)
    : QWidget(parent), clock_(clock != nullptr ? clock : &system_clock_), trace_(clock_) {
  current_dir_ = CurrentDirectory();
  own_files_ = !current_dir_.empty();
  CreateControls();
  Form_Load();
}

Form1::~Form1() = default;

void Form1::CreateControls() {
  setObjectName("Form1");
  setWindowTitle("Gamefold 04/04/2008");
  resize(kDesignWidth, kDesignHeight);
  // Smaller than designed, controls would overlap and captions be cut.
  setMinimumSize(kDesignWidth, kDesignHeight);

  // The nearest face to the classic 8-point dialog font is an Arial-metric one; the system's
  // sans serif is the fallback.
  QFont base = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  base.setFamilies({"Liberation Sans", "Arial", "Helvetica", base.family()});
  base.setPointSizeF(8.25);
  base.setWeight(QFont::Normal);
  setFont(base);
  QFont bold = base;
  bold.setWeight(QFont::Bold);

  auto place = [this](QWidget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    placements_.push_back({widget, QRect(left, top, width, height)});
  };
  auto label = [&](const char* name, const char* caption, int left, int top, int width,
                   int height) {
    auto* widget = new QLabel(caption, this);
    widget->setFont(bold);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(widget, name, left, top, width, height);
    return widget;
  };

  // Created in tab order; the hidden file lists File1 and File2 need no widget.
  Drive1 = new DriveList(this);
  place(Drive1, "Drive1", 240, 360, 2175, 315);
  Dir1 = new FolderList(this);
  place(Dir1, "Dir1", 240, 840, 2175, 1665);
  List1 = new DayList(this);
  place(List1, "List1", 240, 3000, 1455, 2010);
  Command1 = new QPushButton("&PROCESS", this);
  place(Command1, "Command1", 480, 5880, 1815, 495);
  Command2 = new QPushButton("E&XIT", this);
  place(Command2, "Command2", 4800, 5880, 1815, 495);
  List2 = new QListWidget(this);
  place(List2, "List2", 5160, 3000, 1455, 2010);
  Label1 = label("Label1", "Game Days Available", 240, 2640, 1935, 375);
  Label2 = label("Label2", "Game Days Selected", 4800, 2640, 2535, 375);
  Label3 = label("Label3", "Path to boxscore files", 240, 120, 1935, 375);
  Drive2 = new DriveList(this);
  place(Drive2, "Drive2", 4440, 360, 2175, 315);
  Dir2 = new FolderList(this);
  place(Dir2, "Dir2", 4440, 840, 2175, 1665);
  Label4 = label("Label4", "Path to output folder", 4440, 120, 2175, 375);
  cmdBuildIndex = new QPushButton("&BUILD INDEX FILE", this);
  place(cmdBuildIndex, "cmdBuildIndex", 2640, 5880, 1815, 495);
  txtDaysIn = new QLineEdit(this);
  place(txtDaysIn, "txtDaysIn", 600, 5400, 735, 375);
  txtDaysOut = new QLineEdit(this);
  place(txtDaysOut, "txtDaysOut", 5400, 5400, 735, 375);
  Label5 = label("Label5", "Days to Process", 240, 5040, 1455, 255);
  Label6 = label("Label6", "Days Processed", 5160, 5040, 1575, 375);
  List3 = new QListWidget(this);
  place(List3, "List3", 2280, 3120, 2055, 645);
  Label7 = new QLabel(this);
  QFont indicator = base;
  indicator.setPointSizeF(13.5);
  Label7->setFont(indicator);
  Label7->setAlignment(Qt::AlignCenter);
  Label7->setFrameShape(QFrame::Box);
  Label7->setLineWidth(1);
  Label7->setAutoFillBackground(true);
  place(Label7, "Label7", 2520, 3840, 1695, 495);
  // Shown only while "&PROCESS" works, below the buttons.
  progress_ = new QProgressBar(this);
  progress_->setTextVisible(true);
  progress_->setVisible(false);
  place(progress_, "progress", 240, 6435, 6375, 300);

  for (QListWidget* list : std::initializer_list<QListWidget*>{List1, List2, List3}) {
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
  }
  // The three choices fill the small box exactly: no scroll bars, long texts elided (each
  // begins with its number) and shown whole in a tooltip.
  List3->setStyleSheet("QListWidget::item { padding: 0px; margin: 0px; }");
  List3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  List3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  List3->setTextElideMode(Qt::ElideRight);

  QWidget* previous = nullptr;
  for (QWidget* widget :
       std::initializer_list<QWidget*>{Drive1, Dir1, List1, Command1, Command2, List2, Drive2, Dir2,
                                       cmdBuildIndex, txtDaysIn, txtDaysOut, List3}) {
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }

  // The window starts on the current directory; the change handlers are connected only after
  // that, so nothing runs until start-up or the user changes a folder.
  Failure ignored;
  std::string start = current_dir_.empty() ? MountPoints().front() : current_dir_;
  Drive1->showDriveOf(start);
  Drive2->showDriveOf(start);
  Dir1->setPath(start, &ignored);
  Dir2->setPath(start, &ignored);
  File1_.SetPath(Dir1->path(), &ignored);
  File2_.SetPath(Dir2->path(), &ignored);

  connect(Drive1, &DriveList::driveChanged, this, &Form1::Drive1_Change);
  connect(Dir1, &FolderList::pathChanged, this, &Form1::Dir1_Change);
  connect(Drive2, &DriveList::driveChanged, this, &Form1::Drive2_Change);
  connect(Dir2, &FolderList::pathChanged, this, &Form1::Dir2_Change);
  connect(Dir1, &FolderList::openFailed, this, &Form1::Error_Message);
  connect(Dir2, &FolderList::openFailed, this, &Form1::Error_Message);
  connect(List1, &DayList::picked, this, &Form1::List1_Click);
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(cmdBuildIndex, &QPushButton::clicked, this, &Form1::cmdBuildIndex_Click);
}

void Form1::resizeEvent(QResizeEvent* event) {
  // Every control keeps its place and size in proportion to the client area.
  double x_scale = event->size().width() / (kDesignWidth * kTwipsPerPixel);
  double y_scale = event->size().height() / (kDesignHeight * kTwipsPerPixel);
  for (const auto& [widget, t] : placements_) {
    int left = qRound(t.left() * x_scale), top = qRound(t.top() * y_scale);
    int right = qRound((t.left() + t.width()) * x_scale);
    int bottom = qRound((t.top() + t.height()) * y_scale);
    int width = right - left;
    // A caption wider than its box (fonts differ from platform to platform) may run on to the
    // right, where the window leaves room beside every label; it is never cut.
    if (auto* caption = qobject_cast<QLabel*>(widget); caption != nullptr && caption != Label7) {
      width = std::max(width, caption->sizeHint().width());
    }
    widget->setGeometry(left, top, width, bottom - top);
  }
  QWidget::resizeEvent(event);
}

void Form1::Form_Load() {
  txtDaysOut->setText("0");
  for (std::string_view choice : kContentChoices) {
    auto* item = new QListWidgetItem(FromBytes(choice), List3);
    item->setToolTip(item->text());
  }
  List3->setCurrentRow(0);

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
  Command1->setEnabled(false);
  if (!current_dir_.empty() && FileExists(JoinPath(current_dir_, kSettingsFileName))) {
    Read_Settings();
  }
  for (size_t month = 1; month <= 12; ++month) MonthNames_[month] = kMonthNames[month];
  File1_.set_pattern(std::string(kBoxscorePattern));
  Trace(txtDaysOut->text().toStdString() + " Days out");
  if (LeadingNumber(txtDaysOut->text().toStdString()) == 0) cmdBuildIndex->setEnabled(false);
  Trace(txtDaysIn->text().toStdString() + " Days in");
  Trace(File1_.path());
  Trace(File2_.path());
  Trace(" finished load ");
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
        if (line.kind == SettingsLine::Kind::kInputFolder) {
          RestoreSide(Drive1, Dir1, &File1_, line.folder);
        } else {
          RestoreSide(Drive2, Dir2, &File2_, line.folder);
        }
        break;
      }
      case SettingsLine::Kind::kContentChoice:
        List3->setCurrentRow(line.choice - 1);
        break;
      case SettingsLine::Kind::kCharset:
        charset_ = line.charset;
        break;
    }
  }
}

void Form1::RestoreSide(DriveList* drive, FolderList* dir, FileList* files,
                        const std::string& folder) {
  Failure failure;
  drive->setDrive(folder);
  if (!dir->setPath(folder, &failure)) return;
  if (!files->SetPath(dir->path(), &failure)) Error_Message(failure);
}

bool Form1::Write_Settings(Failure* err) {
  if (!own_files_) return true;
  for (const std::string& folder : {File1_.path(), File2_.path()}) {
    if (!SavableFolder(folder)) Trace(" folder not saved, its name holds a line feed ");
  }
  QListWidgetItem* choice = List3->currentItem();
  std::string choice_text = choice != nullptr ? choice->text().toStdString() : "";
  return WriteSettingsFile(JoinPath(current_dir_, kSettingsFileName), File1_.path(), File2_.path(),
                           choice_text, err, charset_);
}

void Form1::PointFileList(FileList* files, const FolderList* dir) {
  Failure failure;
  if (!files->SetPath(dir->path(), &failure)) Error_Message(failure);
}

void Form1::DriveChanged(DriveList* drive, FolderList* dir) {
  // The folder list moves to the folder last open on the new drive, running its own handler.
  Failure failure;
  if (!dir->setPath(dir->currentFolderOfDrive(drive->drive()), &failure)) {
    Error_Message(failure);
    drive->showDriveOf(dir->path());
  }
}

void Form1::Drive1_Change() {
  Trace(" change drive1 ");
  DriveChanged(Drive1, Dir1);
  Trace(File1_.path());
}

void Form1::Dir1_Change() {
  Trace(" change dir1 ");
  Drive1->showDriveOf(Dir1->path());
  PointFileList(&File1_, Dir1);
  if (!File1_.names().empty()) {
    Get_Dates();
  } else {
    SetIndicator(kIndicatorNoGames.caption, kIndicatorNoGames.rgb);
    Label7->setToolTip(QString());
    SetListEntries(List1, {});
    SetListEntries(List2, {});
  }
  SetCount(txtDaysIn, List1->count());
  Trace(File1_.path());
}

void Form1::Drive2_Change() {
  Trace(" change drive2 ");
  DriveChanged(Drive2, Dir2);
  Trace(File2_.path());
}

void Form1::Dir2_Change() {
  Trace(" change dir2 ");
  Drive2->showDriveOf(Dir2->path());
  PointFileList(&File2_, Dir2);
  Get_Dates();
  cmdBuildIndex->setEnabled(!File2_.names().empty());
  SetCount(txtDaysOut, static_cast<long>(File2_.names().size()));
  Trace(File2_.path());
}

void Form1::Get_Dates() {
  CatalogueResult result = gamefold::Get_Dates(File1_.names(), File2_.names());
  for (const std::string& line : result.trace) Trace(line);
  if (result.list_replaced) SetListEntries(List1, result.entries);
  if (result.indicator) SetIndicator(result.indicator->caption, result.indicator->rgb);
  // The indicator alone cannot say why it stayed as it was, or that the year it shows does not
  // hold for every boxscore.
  if (result.end == CatalogueResult::End::kFileError ||
      result.end == CatalogueResult::End::kListed) {
    Label7->setToolTip(FromBytes(result.notice));
  }
  if (result.days_in) SetCount(txtDaysIn, *result.days_in);
  if (result.days_out) SetCount(txtDaysOut, *result.days_out);
  if (result.end == CatalogueResult::End::kFailed) {
    Error_Message(result.failure);
    TraceFailure(result.failure);
    Trace(kTraceNoDates2);
  }
}

void Form1::List1_Click(int row) {
  if (updating_lists_ || row < 0 || row >= List1->count()) return;
  std::string entry = List1->item(row)->text().toStdString();
  Trace(" Click a game day ");
  List2->addItem(List1->item(row)->text());
  Trace(entry);
  updating_lists_ = true;
  delete List1->takeItem(row);
  List1->setCurrentRow(-1);
  List1->clearSelection();
  updating_lists_ = false;
  Command1->setEnabled(List2->count() > 0);
}

int Form1::ContentChoiceNumber() const {
  // The list always has a line selected; should it lose it, the first choice is the safe one.
  int row = List3->currentRow();
  return row >= 0 ? row + 1 : 1;
}

void Form1::ShowProgress(long days_done, long days, long games) {
  progress_->setRange(0, static_cast<int>(days));
  progress_->setValue(static_cast<int>(days_done));
  progress_->setFormat(QString("%1 of %2 days, %3 games").arg(days_done).arg(days).arg(games));
  progress_->setVisible(true);
  repaint();
}

void Form1::Command1_Click() {
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
  int choice = ContentChoiceNumber();

  long days = List2->count(), days_done = 0, games = 0;
  bool abandoned = false;
  ProcessEvents events;
  events.reading_file = [&](const std::string& file_name) {
    Trace(file_name);
    ++games;
    ShowProgress(days_done, days, games);
  };
  events.page_opened = [&](std::string_view key) { Trace(key); };
  // A run killed while writing a page may have left its temporary file behind.
  RemoveStaleTemporaries(File2_.path());
  // gamefold-batch may be writing into the same folder; the days wait selected until it is done.
  FolderLock lock;
  if (List2->count() > 0 && !lock.Acquire(File2_.path(), kWindowLockWaitSeconds, &failure)) {
    report(failure);
    abandoned = true;
  }
  while (!abandoned && List2->count() > 0) {
    std::string key(DayKeyOf(List2->item(0)->text().toStdString()));
    if (!ProcessDay(File1_.path(), File1_.names(), File2_.path(), key, choice, events, &failure,
                    charset_)) {
      // The failed day stays selected, so the user can mend the cause and process again.
      report(failure);
      abandoned = true;
      break;
    }
    delete List2->takeItem(0);
    ++days_done;
    ShowProgress(days_done, days, games);
  }
  lock.Release();
  progress_->setVisible(false);

  if (!abandoned) {
    // Disabled, the button would hand the focus to "E&XIT", and the next Space would quit.
    if (Command1->hasFocus()) List1->setFocus(Qt::OtherFocusReason);
    Command1->setEnabled(false);
  }
  SetCount(txtDaysIn, List1->count());
  if (!File2_.SetPath(Dir2->path(), &failure)) report(failure);
  SetCount(txtDaysOut, static_cast<long>(File2_.names().size()));
  Get_Dates();
  QApplication::restoreOverrideCursor();
  if (LeadingNumber(txtDaysOut->text().toStdString()) > 0) cmdBuildIndex->setEnabled(true);
  Trace(kTraceBackFromProcess);
}

void Form1::cmdBuildIndex_Click() {
  Trace(kTraceStartingIndexes);
  Failure failure;
  FolderLock lock;
  if (!lock.Acquire(File2_.path(), kWindowLockWaitSeconds, &failure) ||
      !WriteIndexPage(File2_.path(), File2_.names(), &failure, charset_)) {
    Error_Message(failure);
  }
  Trace(kTraceBackFromIndexing);
}

void Form1::SetIndicator(const std::string& caption, unsigned rgb) {
  Label7->setText(FromBytes(caption));
  QPalette palette = Label7->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(rgb));
  Label7->setPalette(palette);
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
