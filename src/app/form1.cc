#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <type_traits>
#include <variant>

#include "app/day_list.h"
#include "app/folder_path.h"
#include "app/folder_picker.h"
#include "app/message_box.h"
#include "app/settings_file.h"
#include "catalogue/catalogue.h"
#include "core/folder_lock.h"
#include "core/game_day.h"
#include "core/numbers.h"
#include "core/platform.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"
#include "site/site.h"

namespace gamefold {

namespace {

// Twips per pixel at 96 dots per inch; Qt scales pixels for high-dpi screens itself.
constexpr double kTwipsPerPixel = 15.0;

// How long a click waits for another program writing into the output folder: the window
// cannot answer meanwhile, so less than gamefold-batch waits.
constexpr double kWindowLockWaitSeconds = 10;

// How long the folders must stay still before the window lists them again: copying a season
// in changes the folder many times a second.
constexpr int kRefreshDelayMs = 300;

// The trace texts of the window's own acts beyond the designed ones.
constexpr std::string_view kTraceUnpick = " Unselect a game day ";
constexpr std::string_view kTraceWaitingForLock = " waiting for another writer ";

// How a control looks beyond its kind.
enum class Look { kPlain, kBold, kIndicator, kChoices, kProgress };

// Where a control lives in Form1Controls; its type is the control's kind.
template <typename Control>
using Slot = Control Form1Controls::*;
using ControlSlot =
    std::variant<Slot<DriveList*>, Slot<FolderList*>, Slot<FileList>, Slot<DayList*>,
                 Slot<SelectedDayList*>, Slot<FocusFrameList*>, Slot<QPushButton*>,
                 Slot<QLineEdit*>, Slot<QLabel*>, Slot<QProgressBar*>>;

struct ControlRow {
  ControlSlot slot;
  const char* name;
  const char* caption;  // a button's or a label's caption, a file list's pattern
  Look look;
  QRect twips;  // left, top, width, height
};

// A control's slot and, from the same word, its objectName.
#define CONTROL(name) &Form1Controls::name, #name

// The window as designed, in tab order; the progress bar, below the buttons, comes last.
// Rectangles in twips: left, top, width, height.
// clang-format off
const ControlRow kLayout[] = {
    {CONTROL(Drive1),        nullptr,                  Look::kPlain,     { 240,  360, 2175,  315}},
    {CONTROL(Dir1),          nullptr,                  Look::kPlain,     { 240,  840, 2175, 1665}},
    {CONTROL(File1),         "*.box",                  Look::kPlain,     {2400, 5280, 1935,  285}},
    {CONTROL(List1),         nullptr,                  Look::kPlain,     { 240, 3000, 1455, 2010}},
    {CONTROL(Command1),      "&PROCESS",               Look::kPlain,     { 480, 5880, 1815,  495}},
    {CONTROL(Command2),      "E&XIT",                  Look::kPlain,     {4800, 5880, 1815,  495}},
    {CONTROL(List2),         nullptr,                  Look::kPlain,     {5160, 3000, 1455, 2010}},
    {CONTROL(Label1),        "Game Days Available",    Look::kBold,      { 240, 2640, 1935,  375}},
    {CONTROL(Label2),        "Game Days Selected",     Look::kBold,      {4800, 2640, 2535,  375}},
    {CONTROL(Label3),        "Path to boxscore files", Look::kBold,      { 240,  120, 1935,  375}},
    {CONTROL(Drive2),        nullptr,                  Look::kPlain,     {4440,  360, 2175,  315}},
    {CONTROL(Dir2),          nullptr,                  Look::kPlain,     {4440,  840, 2175, 1665}},
    {CONTROL(Label4),        "Path to output folder",  Look::kBold,      {4440,  120, 2175,  375}},
    {CONTROL(File2),         "GamesOf*.*",             Look::kPlain,     {2400, 4800, 1935,  285}},
    {CONTROL(cmdBuildIndex), "&BUILD INDEX FILE",      Look::kPlain,     {2640, 5880, 1815,  495}},
    {CONTROL(txtDaysIn),     nullptr,                  Look::kPlain,     { 600, 5400,  735,  375}},
    {CONTROL(txtDaysOut),    nullptr,                  Look::kPlain,     {5400, 5400,  735,  375}},
    {CONTROL(Label5),        "Days to Process",        Look::kBold,      { 240, 5040, 1455,  255}},
    {CONTROL(Label6),        "Days Processed",         Look::kBold,      {5160, 5040, 1575,  375}},
    {CONTROL(List3),         nullptr,                  Look::kChoices,   {2280, 3120, 2055,  645}},
    {CONTROL(Label7),        nullptr,                  Look::kIndicator, {2520, 3840, 1695,  495}},
    {CONTROL(progress),      nullptr,                  Look::kProgress,  { 240, 6435, 6375,  300}},
};
// clang-format on
#undef CONTROL

// Creates the control of a row, or sets a file list's pattern (it has no widget: null).
template <typename Widget>
QWidget* Create(Slot<Widget*> slot, const ControlRow& row, Form1Controls* ui, QWidget* parent) {
  auto* widget = new Widget(parent);
  ui->*slot = widget;
  widget->setObjectName(row.name);
  if constexpr (std::is_base_of_v<QAbstractButton, Widget> || std::is_same_v<Widget, QLabel>) {
    if (row.caption != nullptr) widget->setText(row.caption);
  }
  if constexpr (std::is_base_of_v<QListWidget, Widget>) {
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setUniformItemSizes(true);
  }
  return widget;
}

QWidget* Create(Slot<FileList> slot, const ControlRow& row, Form1Controls* ui, QWidget*) {
  (ui->*slot).set_pattern(row.caption);
  return nullptr;
}

QWidget* WidgetOf(const ControlRow& row, Form1Controls* ui) {
  return std::visit(
      [ui](auto slot) -> QWidget* {
        if constexpr (std::is_same_v<decltype(slot), Slot<FileList>>) {
          return nullptr;
        } else {
          return ui->*slot;
        }
      },
      row.slot);
}

void ApplyLook(QWidget* widget, Look look) {
  QFont font = widget->font();
  switch (look) {
    case Look::kPlain:
      break;
    case Look::kBold:
      font.setWeight(QFont::Bold);
      widget->setFont(font);
      static_cast<QLabel*>(widget)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      break;
    case Look::kIndicator: {
      auto* label = static_cast<QLabel*>(widget);
      font.setPointSizeF(13.5);
      label->setFont(font);
      label->setAlignment(Qt::AlignCenter);
      label->setFrameShape(QFrame::Box);
      label->setLineWidth(1);
      label->setAutoFillBackground(true);
      break;
    }
    case Look::kChoices: {
      // The three choices fill the small box exactly: no scroll bars, long texts elided (each
      // begins with its number) and shown whole in a tooltip.
      auto* list = static_cast<QListWidget*>(widget);
      list->setStyleSheet("QListWidget::item { padding: 0px; margin: 0px; }");
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      list->setTextElideMode(Qt::ElideRight);
      break;
    }
    case Look::kProgress: {
      static_cast<QProgressBar*>(widget)->setTextVisible(true);
      widget->setVisible(false);
      // Flat blocks, as the classic window drew them: the gradients and stripes of the default
      // style cost ten times as much to paint, and the bar is painted for every day processed.
      if (QStyle* flat = QStyleFactory::create("Windows"); flat != nullptr) {
        flat->setParent(widget->parentWidget());  // outlives the bar, created before it
        widget->setStyle(flat);
      }
      break;
    }
  }
}

// The nearest face to the classic 8-point dialog font is an Arial-metric one; the system's
// sans serif is the fallback.
QFont DialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setFamilies({"Liberation Sans", "Arial", "Helvetica", font.family()});
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

// Empty when the folder the program was started from no longer exists.
std::string CurrentDirectory() { return platform::CurrentFolder(); }

QString FromBytes(std::string_view bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IsFolder(const std::string& path) {
  return platform::KindOfPath(path) == platform::EntryKind::kFolder;
}

// Counts a handler as running for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(int* busy) : busy_(busy) { ++*busy_; }
  ~BusyScope() { --*busy_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  int* busy_;
};

}  // namespace

// One side of the window: a drive list, its folder list and the hidden file list they point at,
// with the trace texts of its handlers.
struct Form1::Side {
  DriveList* drive;
  FolderList* dir;
  FileList* files;
  std::string_view drive_change;
  std::string_view dir_change;
};

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

void Form1::CreateControls() {
  setObjectName("Form1");
  setWindowTitle("Gamefold 04/04/2008");
  resize(kDesignWidth, kDesignHeight);
  // Smaller than designed, controls would overlap and captions be cut.
  setMinimumSize(kDesignWidth, kDesignHeight);
  setFont(DialogFont());
  // Created in tab order, which makes the focus chain.
  for (const ControlRow& row : kLayout) {
    QWidget* widget =
        std::visit([&](auto slot) { return Create(slot, row, &ui_, this); }, row.slot);
    if (widget != nullptr) ApplyLook(widget, row.look);
  }
  watcher_ = new QFileSystemWatcher(this);
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  refresh_timer_->setInterval(kRefreshDelayMs);
  ShowStartFolder();
  ConnectHandlers();
}

// The window starts on the current directory; the change handlers are connected only after
// that, so nothing runs until start-up or the user changes a folder.
void Form1::ShowStartFolder() {
  Failure ignored;
  std::string start = current_dir_.empty() ? MountPoints().front() : current_dir_;
  for (const Side& side : {Input(), Output()}) {
    side.drive->showDriveOf(start);
    side.dir->setPath(start, &ignored);
    side.files->SetPath(side.dir->path(), &ignored);
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

void Form1::resizeEvent(QResizeEvent* event) {
  // Every control keeps its place and size in proportion to the client area.
  double x_scale = event->size().width() / (kDesignWidth * kTwipsPerPixel);
  double y_scale = event->size().height() / (kDesignHeight * kTwipsPerPixel);
  for (const ControlRow& row : kLayout) {
    QWidget* widget = WidgetOf(row, &ui_);
    if (widget == nullptr) continue;
    const QRect& t = row.twips;
    int left = qRound(t.left() * x_scale), top = qRound(t.top() * y_scale);
    int right = qRound((t.left() + t.width()) * x_scale);
    int bottom = qRound((t.top() + t.height()) * y_scale);
    int width = right - left;
    // A caption wider than its box (fonts differ from platform to platform) may run on to the
    // right, where the window leaves room beside every label; it is never cut.
    if (row.look == Look::kBold) width = std::max(width, widget->sizeHint().width());
    widget->setGeometry(left, top, width, bottom - top);
  }
  QWidget::resizeEvent(event);
}

void Form1::Form_Load() {
  ui_.txtDaysOut->setText("0");
  for (std::string_view choice : kContentChoices) {
    auto* item = new QListWidgetItem(FromBytes(choice), ui_.List3);
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
        ui_.List3->setCurrentRow(line.choice - 1);
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
  QListWidgetItem* choice = ui_.List3->currentItem();
  std::string choice_text = choice != nullptr ? choice->text().toStdString() : "";
  return WriteSettingsFile(JoinPath(current_dir_, kSettingsFileName), ui_.File1.path(),
                           ui_.File2.path(), choice_text, err, charset_, site_);
}

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
    SetIndicator(kIndicatorNoGames.caption, kIndicatorNoGames.rgb);
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
  CatalogueResult result = Get_Dates(ui_.File1.names(), ui_.File2.names());
  for (const std::string& line : result.trace) Trace(line);
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
  if (result.indicator) SetIndicator(result.indicator->caption, result.indicator->rgb);
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

int Form1::ContentChoiceNumber() const {
  // The list always has a line selected; should it lose it, the first choice is the safe one.
  int row = ui_.List3->currentRow();
  return row >= 0 ? row + 1 : 1;
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
  ProcessJob job{ui_.File1.path(), ui_.File1.names(), ui_.File2.path(), ContentChoiceNumber(),
                 charset_};
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

void Form1::SetIndicator(const std::string& caption, unsigned rgb) {
  ui_.Label7->setText(FromBytes(caption));
  QPalette palette = ui_.Label7->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(rgb));
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
