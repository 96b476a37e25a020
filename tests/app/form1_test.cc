#include "app/form1.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/folder_picker.h"
#include "app/message_box.h"
#include "core/folder_lock.h"
#include "core/game_day.h"
#include "daypages/process.h"
#include "tests/support/boxscores.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_dir.h"

namespace gamefold {

namespace {

using testing::Boxscore;
using testing::FixedClock;
constexpr const char* kTime = "12/6/2026 6:47:49 AM";

void WriteBytes(const QString& path, const std::string& bytes) {
  testing::WriteBytes(path.toStdString(), bytes);
}

std::string ReadBytes(const QString& path) { return testing::ReadBytes(path.toStdString()); }

QStringList Entries(const QListWidget* list) {
  QStringList entries;
  for (int row = 0; row < list->count(); ++row) entries << list->item(row)->text();
  return entries;
}

// Trace lines with the time cut off; values follow the time directly.
QStringList TraceTexts(const QString& folder) {
  QStringList texts;
  std::string bytes = ReadBytes(folder + "/boxtrace.txt");
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    std::string line = bytes.substr(start, end - start);
    texts << QString::fromStdString(line.rfind(kTime, 0) == 0 ? line.substr(std::strlen(kTime))
                                                              : "!" + line);
    start = end + 2;
  }
  return texts;
}

// Calls on_paint each time target is painted.
class PaintWatch : public QObject {
 public:
  PaintWatch(QWidget* target, std::function<void()> on_paint) : on_paint_(std::move(on_paint)) {
    target->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) on_paint_();
    return false;
  }

 private:
  std::function<void()> on_paint_;
};

}  // namespace

class TestForm1 : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void firstRunShowsTheDesignedWindow();
  void startupRestoresTheSettings();
  void startupSkipsSettingsThatCannotBeApplied();
  void pickingAndProcessingWritesPages();
  void pickedDaysKeepTheirOrderAndAreListedOnce();
  void inputFolderWithoutBoxscores();
  void daysListedForAnotherFolderLeave();
  void selectedDaysCanBeTakenBack();
  void indexIsBuiltFromTheFolderAsItIs();
  void changesOnDiskRefreshTheWindow();
  void listsShowTheFocus();
  void driveChangeRunsTheFolderHandlerInside();
  void folderThatCannotBeOpenedKeepsThePrevious();
  void catalogueFailureShowsTheReport();
  void processFailureKeepsThePublishedPage();
  void dayWithoutBoxscoresIsNeverWritten();
  void dayOfTheNextYearIsNeverWrittenUnderTheFirst();
  void unwritableTraceLogLeavesTheWindowUsable();
  void resizingKeepsProportions();
  void exitTracesAndCloses();
  void onlyDeliberateActsPick();
  void processFailureWithAFolderGone();
  void processHandsTheFocusToTheDays();
  void wheelChangesOnlyAFocusedDrive();
  void folderListReachesEveryFolder();
  void startFolderGoneWritesNothingElsewhere();
  void secondWindowLeavesTheFirstsFiles();
  void leavingSavesTheSettings();
  void writersTakeTurnsAndTheCharsetIsKept();
  void siteLineKeepsTheLeaguesSite();
  void laterRunsWriteWhatAFreshRunWrites();

 private:
  void Activate();
  std::unique_ptr<Form1> MakeWindow();
  template <typename T>
  T* Child(const char* name) {
    T* child = window_->findChild<T*>(name);
    if (child == nullptr) qFatal("no control %s", name);
    return child;
  }
  void Pick(const QString& entry);
  void WriteSeason(const QString& boxes);
  void OpenSeason(const QString& boxes, const QString& web);

  std::unique_ptr<QTemporaryDir> dir_;
  QString previous_dir_;
  std::unique_ptr<Form1> window_;
  FixedClock clock_;
  QStringList boxes_shown_;
};

void TestForm1::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  previous_dir_ = QDir::currentPath();
  QDir::setCurrent(dir_->path());
  boxes_shown_.clear();
  SetMessageBoxHook([this](QWidget*, const QString& text) { boxes_shown_ << text; });
}

void TestForm1::cleanup() {
  window_.reset();
  OverrideMountPoints({});
  QDir::setCurrent(previous_dir_);
  dir_.reset();
}

std::unique_ptr<Form1> TestForm1::MakeWindow() {
  auto window = std::make_unique<Form1>(&clock_);
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qWarning("window not exposed");
  return window;
}

void TestForm1::Activate() {
  window_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void TestForm1::Pick(const QString& entry) {
  auto* list = Child<QListWidget>("List1");
  auto found = list->findItems(entry, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(entry));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(found.first()).center());
}

void TestForm1::WriteSeason(const QString& boxes) {
  QDir().mkpath(boxes);
  WriteBytes(boxes + "/2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  WriteBytes(boxes + "/2008040100002.BOX", Boxscore("Sox & 'Mets'", 4, "Astros", 4));
  WriteBytes(boxes + "/2008040200001.BOX", Boxscore("Reds", 2, "Cubs", 1));
  WriteBytes(boxes + "/2008040300001.BOX", Boxscore("Reds", 0, "Cubs", 1));
}

// Opens the window on a sample season in `boxes` and an empty output folder `web`.
void TestForm1::OpenSeason(const QString& boxes, const QString& web) {
  WriteSeason(boxes);
  QDir().mkpath(web);
  window_ = MakeWindow();
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  QVERIFY(Child<FolderList>("Dir2")->setPath(web.toStdString(), &failure));
}

void TestForm1::firstRunShowsTheDesignedWindow() {
  window_ = MakeWindow();
  QCOMPARE(window_->windowTitle(), QString("Gamefold 04/04/2008"));
  QCOMPARE(window_->size(), QSize(476, 454));

  auto* process = Child<QPushButton>("Command1");
  QCOMPARE(process->text(), QString("&PROCESS"));
  QCOMPARE(Child<QPushButton>("Command2")->text(), QString("E&XIT"));
  QCOMPARE(Child<QPushButton>("cmdBuildIndex")->text(), QString("&BUILD INDEX FILE"));
  QCOMPARE(Child<QLabel>("Label1")->text(), QString("Game Days Available"));
  QCOMPARE(Child<QLabel>("Label2")->text(), QString("Game Days Selected"));
  QCOMPARE(Child<QLabel>("Label3")->text(), QString("Path to boxscore files"));
  QCOMPARE(Child<QLabel>("Label4")->text(), QString("Path to output folder"));
  QCOMPARE(Child<QLabel>("Label5")->text(), QString("Days to Process"));
  QCOMPARE(Child<QLabel>("Label6")->text(), QString("Days Processed"));
  QVERIFY(Child<QLabel>("Label1")->font().bold());
  QCOMPARE(Child<QLabel>("Label7")->font().pointSizeF(), 13.5);
  // Twips to pixels at 15 a pixel: "&PROCESS" sits at 480, 5880 and is 1815 x 495.
  QCOMPARE(process->geometry(), QRect(32, 392, 121, 33));
  QCOMPARE(Child<QListWidget>("List3")->geometry(), QRect(152, 208, 137, 43));

  QCOMPARE(Entries(Child<QListWidget>("List3")),
           QStringList({"1 - Boxscores only", "2 - Boxscores & Scoresheets",
                        "3 - Boxscores Scoresheets & Logs"}));
  QCOMPARE(Child<QListWidget>("List3")->currentRow(), 0);
  QVERIFY(!process->isEnabled());
  QVERIFY(!Child<QPushButton>("cmdBuildIndex")->isEnabled());
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("0"));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString(""));
  QCOMPARE(Child<QListWidget>("List1")->count(), 0);
  QCOMPARE(Child<QLabel>("Label7")->text(), QString(""));
  QCOMPARE(Child<FolderList>("Dir1")->path(), dir_->path().toStdString());

  // Tab order follows the design: drive, folders, lists, buttons, counters, choice.
  QStringList order;
  QWidget* widget = Child<QWidget>("Drive1");
  for (int i = 0; i < 12; ++i, widget = widget->nextInFocusChain()) {
    while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()) {
      widget = widget->nextInFocusChain();
    }
    order << widget->objectName();
  }
  QCOMPARE(order, QStringList({"Drive1", "Dir1", "List1", "Command1", "Command2", "List2", "Drive2",
                               "Dir2", "cmdBuildIndex", "txtDaysIn", "txtDaysOut", "List3"}));

  QCOMPARE(TraceTexts(dir_->path()), QStringList({" starting ", "0 Days out", " Days in",
                                                  dir_->path(), dir_->path(), " finished load "}));
  QVERIFY(boxes_shown_.isEmpty());
}

void TestForm1::startupRestoresTheSettings() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  WriteSeason(boxes);
  QDir().mkpath(web);
  WriteBytes(web + "/GamesOf20080402.htm", "published\r\n");
  WriteBytes(dir_->path() + "/DOD_box.txt", "IPF " + boxes.toStdString() + "\r\nOPF " +
                                                web.toStdString() +
                                                "\r\nSEL 2 - Boxscores & Scoresheets\r\n");
  window_ = MakeWindow();
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080401", "20080403"}));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("2"));
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("1"));
  QCOMPARE(Child<QLabel>("Label7")->text(), QString(" MATCHED "));
  QCOMPARE(Child<QLabel>("Label7")->palette().color(QPalette::Window), QColor(0, 255, 0));
  QVERIFY(Child<QPushButton>("cmdBuildIndex")->isEnabled());
  QCOMPARE(Child<QListWidget>("List3")->currentRow(), 1);

  // The change handlers ran inside start-up, between " starting " and the counts.
  QStringList trace = TraceTexts(dir_->path());
  QCOMPARE(trace.first(), QString(" starting "));
  QStringList expected_middle = {" change dir1 ", " getting dates ", " ended dates ", boxes,
                                 " change dir2 ", " getting dates ", " ended dates ", web};
  QCOMPARE(trace.mid(1, expected_middle.size()), expected_middle);
  QCOMPARE(trace.mid(1 + expected_middle.size()),
           QStringList({"1 Days out", "2 Days in", boxes, web, " finished load "}));
}

void TestForm1::startupSkipsSettingsThatCannotBeApplied() {
  WriteBytes(dir_->path() + "/DOD_box.txt",
             "IPF /no/such/folder\r\nOPF x\r\nSEL 9\r\n\xff\xfe garbage\r\n");
  window_ = MakeWindow();
  QCOMPARE(Child<FolderList>("Dir1")->path(), dir_->path().toStdString());
  QCOMPARE(Child<QListWidget>("List3")->currentRow(), 0);
  QVERIFY(boxes_shown_.isEmpty());
  QCOMPARE(TraceTexts(dir_->path()).size(), 6);
}

void TestForm1::pickingAndProcessingWritesPages() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080401", "20080402", "20080403"}));
  QCOMPARE(Child<QLabel>("Label7")->text(), QString(" MAYBE "));
  QVERIFY(!Child<QPushButton>("cmdBuildIndex")->isEnabled());

  Pick("20080402");
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080401", "20080403"}));
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080402"}));
  QVERIFY(Child<QPushButton>("Command1")->isEnabled());
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("3"));  // a pick changes no counter
  Pick("20080401");

  int lines_before = TraceTexts(dir_->path()).size();
  // The run repaints as it goes: the user sees each day leave the selection, and the count.
  auto* selected = Child<QListWidget>("List2");
  auto* bar = Child<QProgressBar>("progress");
  QList<int> days_shown;
  QStringList progress_shown;
  PaintWatch list_watch(selected->viewport(), [&] { days_shown << selected->count(); });
  PaintWatch bar_watch(bar, [&] { progress_shown << bar->text(); });
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY(days_shown.contains(1));
  QVERIFY(progress_shown.contains("1 of 2 days, 1 games"));
  QVERIFY(progress_shown.contains("2 of 2 days, 3 games"));
  QVERIFY(boxes_shown_.isEmpty());
  QVERIFY(QFile::exists(web + "/GamesOf20080401.htm"));
  QVERIFY(QFile::exists(web + "/GamesOf20080402.htm"));
  QVERIFY(!QFile::exists(web + "/GamesOf20080403.htm"));
  std::string page = ReadBytes(web + "/GamesOf20080401.htm");
  QVERIFY2(page.find("<A HREF='#Cubs 5, Reds 3'>Cubs 5, Reds 3</A>\r\n") != std::string::npos,
           page.c_str());
  QVERIFY(page.find("Sox &amp; &#39;Mets&#39; 4") != std::string::npos);
  QCOMPARE(Child<QListWidget>("List2")->count(), 0);
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080403"}));
  QVERIFY(!Child<QPushButton>("Command1")->isEnabled());
  QVERIFY(Child<QPushButton>("cmdBuildIndex")->isEnabled());
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("2"));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("1"));
  QCOMPARE(ReadBytes(dir_->path() + "/DOD_box.txt"), "IPF " + boxes.toStdString() + "\r\nOPF " +
                                                         web.toStdString() +
                                                         "\r\nSEL 1 - Boxscores only\r\n");
  QCOMPARE(TraceTexts(dir_->path()).mid(lines_before),
           QStringList({" starting process ", "2008040200001.BOX", "20080402", "2008040100001.BOX",
                        "2008040100002.BOX", "20080401", " getting dates ", " ended dates ",
                        " back from process "}));

  QTest::mouseClick(Child<QPushButton>("cmdBuildIndex"), Qt::LeftButton);
  std::string index = ReadBytes(web + "/GamesIndex.htm");
  QVERIFY(index.find("<u><font size=+2>Apr - 2008</font></u>") != std::string::npos);
  // Every link of the index names a page that exists.
  int links = 0;
  for (size_t at = index.find("HREF="); at != std::string::npos;
       at = index.find("HREF=", at + 1), ++links) {
    std::string target = index.substr(at + 5, index.find('>', at) - at - 5);
    QVERIFY2(QFile::exists(web + "/" + QString::fromStdString(target)), target.c_str());
  }
  QCOMPARE(links, 2);
  QCOMPARE(TraceTexts(dir_->path()).last(2),
           QStringList({" starting indexes ", " back from indexing "}));
}

void TestForm1::pickedDaysKeepTheirOrderAndAreListedOnce() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  Pick("20080403");
  Pick("20080401");
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080403", "20080401"}));
  QCOMPARE(Child<QListWidget>("List1")->currentRow(), -1);
  QStringList trace = TraceTexts(dir_->path());
  QCOMPARE(trace.last(2), QStringList({" Click a game day ", "20080401"}));
  // A rebuild lists only the days not selected, so that none can be picked twice.
  Failure failure;
  QVERIFY(Child<FolderList>("Dir2")->setPath(boxes.toStdString(), &failure));
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080402"}));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("1"));
  // Nor after a run that fails on a day: its boxscore went after the folder was listed.
  QVERIFY(Child<FolderList>("Dir2")->setPath(web.toStdString(), &failure));
  QFile::remove(boxes + "/2008040100002.BOX");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080401"}));
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080402"}));
}

void TestForm1::inputFolderWithoutBoxscores() {
  QString boxes = dir_->path() + "/boxes", empty = dir_->path() + "/empty";
  WriteSeason(boxes);
  QDir().mkpath(empty);
  window_ = MakeWindow();
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  Pick("20080402");
  QVERIFY(Child<FolderList>("Dir1")->setPath(empty.toStdString(), &failure));
  QCOMPARE(Child<QLabel>("Label7")->text(), QString(" NO GAMES "));
  QCOMPARE(Child<QLabel>("Label7")->palette().color(QPalette::Window), QColor(255, 0, 0));
  QCOMPARE(Child<QListWidget>("List1")->count(), 0);
  QCOMPARE(Child<QListWidget>("List2")->count(), 0);
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("0"));
  QVERIFY(Child<QPushButton>("Command1")->isEnabled());  // the pickers never change it
  QCOMPARE(TraceTexts(dir_->path()).last(2), QStringList({" change dir1 ", empty}));
}

// What "Game Days Available" shows was listed for the input folder shown: another folder whose
// days cannot be listed shows none, while the same folder keeps its display.
void TestForm1::daysListedForAnotherFolderLeave() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  QString stray = dir_->path() + "/stray", broken = dir_->path() + "/broken";
  QDir().mkpath(stray);
  WriteBytes(stray + "/2008050100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  WriteBytes(stray + "/20080501-game-4.BOX", Boxscore("Reds", 3, "Cubs", 5));
  QDir().mkpath(broken);
  WriteBytes(broken + "/x008050100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  OpenSeason(boxes, web);
  auto* available = Child<QListWidget>("List1");
  auto* folders = Child<FolderList>("Dir1");
  Failure failure;

  QVERIFY(folders->setPath(stray.toStdString(), &failure));
  QCOMPARE(available->count(), 0);
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("0"));
  QVERIFY(Child<QLabel>("Label7")->toolTip().contains("20080501-game-4.BOX"));

  QVERIFY(folders->setPath(boxes.toStdString(), &failure));
  QCOMPARE(available->count(), 3);
  QVERIFY(folders->setPath(broken.toStdString(), &failure));  // the catalogue's error exit
  QCOMPARE(boxes_shown_.size(), 1);
  QCOMPARE(available->count(), 0);

  // Within one folder a rebuild that cannot list keeps what is shown.
  QVERIFY(folders->setPath(boxes.toStdString(), &failure));
  WriteBytes(boxes + "/20080401-game-4.BOX", "");
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  QVERIFY(Child<FolderList>("Dir2")->setPath(boxes.toStdString(), &failure));
  QCOMPARE(Entries(available), QStringList({"20080401", "20080402", "20080403"}));
}

// Delete, Backspace or a double-click takes a day out of the selection and back among the days
// available, in calendar order; an empty selection leaves nothing to process.
void TestForm1::selectedDaysCanBeTakenBack() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  Activate();
  Pick("20080402");
  Pick("20080401");
  Pick("20080403");
  auto* available = Child<QListWidget>("List1");
  auto* selected = Child<QListWidget>("List2");
  QCOMPARE(available->count(), 0);
  auto center = [&](const QString& entry) {
    return selected->visualItemRect(selected->findItems(entry, Qt::MatchExactly).first()).center();
  };

  QTest::mouseClick(selected->viewport(), Qt::LeftButton, {}, center("20080402"));
  QVERIFY(selected->hasFocus());
  // A held-down key takes out nothing.
  QTest::simulateEvent(selected, true, Qt::Key_Delete, Qt::NoModifier, QString(), true);
  QCOMPARE(selected->count(), 3);
  QTest::keyClick(selected, Qt::Key_Delete);
  QCOMPARE(Entries(selected), QStringList({"20080401", "20080403"}));
  QCOMPARE(Entries(available), QStringList({"20080402"}));
  QCOMPARE(TraceTexts(dir_->path()).last(2), QStringList({" Unselect a game day ", "20080402"}));
  QTest::keyClick(selected, Qt::Key_Backspace);  // the next entry took the removed one's place
  QCOMPARE(Entries(selected), QStringList({"20080403"}));
  QCOMPARE(Entries(available), QStringList({"20080401", "20080402"}));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("3"));  // no counter changes
  QVERIFY(Child<QPushButton>("Command1")->isEnabled());

  // A day published meanwhile is not available again.
  WriteBytes(web + "/GamesOf20080403.htm", "published\r\n");
  QTRY_COMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("1"));
  QTest::mouseDClick(selected->viewport(), Qt::LeftButton, {}, center("20080403"));
  QCOMPARE(selected->count(), 0);
  QCOMPARE(Entries(available), QStringList({"20080401", "20080402"}));
  QVERIFY(!Child<QPushButton>("Command1")->isEnabled());
  QVERIFY(selected->hasFocus());
  QVERIFY(boxes_shown_.isEmpty());
}

// Pages that another program wrote or deleted since the folder was listed.
void TestForm1::indexIsBuiltFromTheFolderAsItIs() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  Pick("20080401");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QFile::remove(web + "/GamesOf20080401.htm");
  WriteBytes(web + "/GamesOf20080402.htm", "published\r\n");
  QTest::mouseClick(Child<QPushButton>("cmdBuildIndex"), Qt::LeftButton);
  QVERIFY(boxes_shown_.isEmpty());
  std::string index = ReadBytes(web + "/GamesIndex.htm");
  QVERIFY(index.find("HREF=GamesOf20080402.htm") != std::string::npos);
  QVERIFY(index.find("GamesOf20080401.htm") == std::string::npos);
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080401", "20080403"}));
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("1"));
  QCOMPARE(TraceTexts(dir_->path()).last(1), QStringList({" back from indexing "}));

  // Once every page is gone there is nothing to index.
  QFile::remove(web + "/GamesOf20080402.htm");
  QTest::mouseClick(Child<QPushButton>("cmdBuildIndex"), Qt::LeftButton);
  QVERIFY(!Child<QPushButton>("cmdBuildIndex")->isEnabled());
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("0"));
}

// Boxscores arriving and pages written by another program show without any act of the user;
// changes that leave the listings as they were run nothing.
void TestForm1::changesOnDiskRefreshTheWindow() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  auto* available = Child<QListWidget>("List1");
  int lines_before = TraceTexts(dir_->path()).size();
  WriteBytes(boxes + "/2008040400001.BOX", Boxscore("Reds", 1, "Cubs", 2));
  QTRY_COMPARE(Entries(available), QStringList({"20080401", "20080402", "20080403", "20080404"}));
  QCOMPARE(Child<QLineEdit>("txtDaysIn")->text(), QString("4"));
  QTRY_COMPARE(TraceTexts(dir_->path()).mid(lines_before),
               QStringList({" change dir1 ", " getting dates ", " ended dates ", boxes}));

  lines_before = TraceTexts(dir_->path()).size();
  WriteBytes(web + "/GamesOf20080402.htm", "published\r\n");
  QTRY_COMPARE(Entries(available), QStringList({"20080401", "20080403", "20080404"}));
  QCOMPARE(Child<QLineEdit>("txtDaysOut")->text(), QString("1"));
  QVERIFY(Child<QPushButton>("cmdBuildIndex")->isEnabled());
  QTRY_COMPARE(TraceTexts(dir_->path()).mid(lines_before),
               QStringList({" change dir2 ", " getting dates ", " ended dates ", web}));

  lines_before = TraceTexts(dir_->path()).size();
  WriteBytes(boxes + "/2008040400001.BOX", Boxscore("Reds", 9, "Cubs", 2));
  WriteBytes(web + "/GamesOf20080402.htm", "published again\r\n");
  QTest::qWait(1000);
  QCOMPARE(TraceTexts(dir_->path()).size(), lines_before);

  // Nothing refreshes inside a command, not even while its message box waits for OK.
  Pick("20080401");
  QFile::remove(boxes + "/2008040100002.BOX");  // the run fails on the day
  QStringList shown_during_box;
  SetMessageBoxHook([&](QWidget*, const QString& text) {
    boxes_shown_ << text;
    WriteBytes(boxes + "/2008040500001.BOX", Boxscore("Reds", 1, "Cubs", 2));
    QTest::qWait(1000);
    shown_during_box = Entries(available);
  });
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QCOMPARE(shown_during_box, QStringList({"20080403", "20080404"}));
  QTRY_COMPARE(Entries(available), QStringList({"20080403", "20080404", "20080405"}));
}

// A frame in the highlight colour shows which list the keys go to.
void TestForm1::listsShowTheFocus() {
  OpenSeason(dir_->path() + "/boxes", dir_->path() + "/web");
  Activate();
  Pick("20080401");
  QColor highlight = window_->palette().color(QPalette::Active, QPalette::Highlight);
  for (const char* name : {"List1", "List2", "List3"}) {
    auto* list = Child<QListWidget>(name);
    auto edge = [&] {
      QPoint inside = list->viewport()->mapTo(list, QPoint(1, list->viewport()->height() / 2));
      return list->grab().toImage().pixelColor(inside);
    };
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());
    QCOMPARE(edge(), highlight);
    Child<QPushButton>("Command2")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!list->hasFocus());
    QVERIFY2(edge() != highlight, name);
  }
}

void TestForm1::driveChangeRunsTheFolderHandlerInside() {
  // A second "drive": a folder that the drive lists offer beside the root.
  QString drive = dir_->path() + "/drive";
  WriteSeason(drive);
  OverrideMountPoints({"/", drive.toStdString()});
  window_ = MakeWindow();
  auto* drives = Child<DriveList>("Drive1");
  QCOMPARE(drives->count(), 2);
  drives->setCurrentIndex(drives->findText(drive));
  QCOMPARE(Child<FolderList>("Dir1")->path(), drive.toStdString());
  QCOMPARE(Entries(Child<QListWidget>("List1")), QStringList({"20080401", "20080402", "20080403"}));
  QCOMPARE(TraceTexts(dir_->path()).last(6),
           QStringList({" change drive1 ", " change dir1 ", " getting dates ", " ended dates ",
                        drive, drive}));
  // Back on the first drive, the folder list returns to the folder it last showed there.
  drives->setCurrentIndex(0);
  QCOMPARE(Child<FolderList>("Dir1")->path(), dir_->path().toStdString());
}

void TestForm1::folderThatCannotBeOpenedKeepsThePrevious() {
  QString gone = dir_->path() + "/gone";
  QDir().mkpath(gone);
  window_ = MakeWindow();
  auto* folders = Child<FolderList>("Dir1");
  auto found = folders->findItems("gone", Qt::MatchEndsWith);
  QCOMPARE(found.size(), 1);
  QDir().rmdir(gone);  // vanishes while the list shows it
  int lines_before = TraceTexts(dir_->path()).size();
  emit folders->itemActivated(found.first());
  QCOMPARE(boxes_shown_.size(), 1);
  QCOMPARE(folders->path(), dir_->path().toStdString());
  QVERIFY(boxes_shown_.first().contains(gone));
  QCOMPARE(TraceTexts(dir_->path()).size(), lines_before);  // no change handler ran
}

void TestForm1::catalogueFailureShowsTheReport() {
  QString boxes = dir_->path() + "/boxes";
  QDir().mkpath(boxes);
  WriteBytes(boxes + "/2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  WriteBytes(boxes + "/9234.box", "");  // ".box" where the month and day belong
  window_ = MakeWindow();
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY(boxes_shown_.first().startsWith("Error Encountered 13 Type mismatch (9234.box)\n"));
  QCOMPARE(TraceTexts(dir_->path()).last(5),
           QStringList({" change dir1 ", " getting dates ",
                        " Error Encountered 13 Type mismatch (9234.box) ",
                        " ended dates from No Dates2 ", boxes}));
}

void TestForm1::processFailureKeepsThePublishedPage() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  Pick("20080402");
  Pick("20080401");
  // The day's page was published before; its boxscore vanishes after the folder was listed.
  WriteBytes(web + "/GamesOf20080401.htm", "published\r\n");
  QFile::remove(boxes + "/2008040100002.BOX");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY(boxes_shown_.first().contains("2008040100002.BOX"));
  QCOMPARE(ReadBytes(web + "/GamesOf20080401.htm"), std::string("published\r\n"));
  QVERIFY(QFile::exists(web + "/GamesOf20080402.htm"));  // the day before it was written
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080401"}));
  QVERIFY(Child<QPushButton>("Command1")->isEnabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(QDir(web).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary left
}

// A selected day whose boxscores the input folder does not hold (another folder chosen since,
// the boxscore deleted) fails with one box and writes no page; the user can then take it out.
void TestForm1::dayWithoutBoxscoresIsNeverWritten() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  QString stray = dir_->path() + "/stray";
  QDir().mkpath(stray);
  WriteBytes(stray + "/2008050100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  WriteBytes(stray + "/20080501-game-4.BOX", Boxscore("Reds", 3, "Cubs", 5));
  OpenSeason(boxes, web);
  Activate();
  Pick("20080402");
  auto* available = Child<QListWidget>("List1");
  auto* selected = Child<QListWidget>("List2");
  auto* process = Child<QPushButton>("Command1");

  // The new folder's days cannot be listed: the selection stays, but its day is not there.
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(stray.toStdString(), &failure));
  QCOMPARE(available->count(), 0);
  QCOMPARE(Entries(selected), QStringList({"20080402"}));
  QTest::mouseClick(process, Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY2(boxes_shown_.first().contains("no boxscore of 20080402 in " + stray),
           qPrintable(boxes_shown_.first()));
  QCOMPARE(QDir(web).entryList(QDir::Files | QDir::Hidden), QStringList());
  QCOMPARE(Entries(selected), QStringList({"20080402"}));
  QVERIFY(process->isEnabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);

  // Taken out, it does not join the days of a folder that has none of its boxscores.
  QTest::mouseClick(selected->viewport(), Qt::LeftButton, {},
                    selected->visualItemRect(selected->item(0)).center());
  QTest::keyClick(selected, Qt::Key_Delete);
  QCOMPARE(selected->count(), 0);
  QCOMPARE(available->count(), 0);
  QVERIFY(!process->isEnabled());

  // Back in the first folder, the only boxscore of a selected day is deleted: the day before it
  // in the selection is written, the day without boxscores is not.
  boxes_shown_.clear();
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  Pick("20080401");
  Pick("20080403");
  QFile::remove(boxes + "/2008040300001.BOX");
  QTRY_COMPARE(TraceTexts(dir_->path()).last(2), QStringList({" ended dates ", boxes}));
  QTest::mouseClick(process, Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY2(boxes_shown_.first().contains("no boxscore of 20080403 in " + boxes),
           qPrintable(boxes_shown_.first()));
  QCOMPARE(QDir(web).entryList(QDir::Files | QDir::Hidden), QStringList({"GamesOf20080401.htm"}));
  QCOMPARE(Entries(selected), QStringList({"20080403"}));
  QTest::mouseDClick(selected->viewport(), Qt::LeftButton, {},
                     selected->visualItemRect(selected->item(0)).center());
  QCOMPARE(selected->count(), 0);
  QCOMPARE(Entries(available), QStringList({"20080402"}));
}

// A season across New Year is listed under its first year: the day listed for the first year's
// January holds the next year's boxscores, which that page must not pretend to show.
void TestForm1::dayOfTheNextYearIsNeverWrittenUnderTheFirst() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  QDir().mkpath(boxes);
  QDir().mkpath(web);
  WriteBytes(boxes + "/2008123000001.BOX", Boxscore("Reds", 3, "Cubs", 5));
  WriteBytes(boxes + "/2008123100001.BOX", Boxscore("Reds", 2, "Cubs", 1));
  WriteBytes(boxes + "/2009010100001.BOX", Boxscore("Reds", 0, "Cubs", 1));
  WriteBytes(boxes + "/2009010200001.BOX", Boxscore("Reds", 4, "Cubs", 4));
  window_ = MakeWindow();
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  QVERIFY(Child<FolderList>("Dir2")->setPath(web.toStdString(), &failure));
  QCOMPARE(Entries(Child<QListWidget>("List1")),
           QStringList({"20080101", "20080102", "20081230", "20081231"}));
  Pick("20081231");
  Pick("20080101");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY2(boxes_shown_.first().contains("no boxscore of 20080101"),
           qPrintable(boxes_shown_.first()));
  QCOMPARE(QDir(web).entryList(QDir::Files | QDir::Hidden), QStringList({"GamesOf20081231.htm"}));
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080101"}));
}

void TestForm1::unwritableTraceLogLeavesTheWindowUsable() {
  // A folder where the log should be: it cannot be created, whoever runs the test.
  QDir().mkpath(dir_->path() + "/boxtrace.txt");
  window_ = MakeWindow();
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY(boxes_shown_.first().contains("boxtrace.txt"));
  QString boxes = dir_->path() + "/boxes";
  WriteSeason(boxes);
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  QCOMPARE(Child<QListWidget>("List1")->count(), 3);
}

void TestForm1::resizingKeepsProportions() {
  window_ = MakeWindow();
  window_->resize(952, 908);
  QTRY_COMPARE(Child<QPushButton>("Command1")->geometry(), QRect(64, 784, 242, 66));
  QCOMPARE(Child<QLabel>("Label7")->geometry(), QRect(336, 512, 226, 66));
}

void TestForm1::exitTracesAndCloses() {
  window_ = MakeWindow();
  QTest::mouseClick(Child<QPushButton>("Command2"), Qt::LeftButton);
  QVERIFY(!window_->isVisible());
  QCOMPARE(TraceTexts(dir_->path()).last(), QString(" exit "));
}

namespace {

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

}  // namespace

void TestForm1::onlyDeliberateActsPick() {
  QString boxes = dir_->path() + "/boxes";
  WriteSeason(boxes);
  WriteBytes(boxes + "/2008040400001.BOX", Boxscore("Reds", 1, "Cubs", 2));
  WriteBytes(boxes + "/2008041500001.BOX", Boxscore("Reds", 1, "Cubs", 2));
  window_ = MakeWindow();
  Activate();
  Failure failure;
  QVERIFY(Child<FolderList>("Dir1")->setPath(boxes.toStdString(), &failure));
  auto* days = Child<QListWidget>("List1");
  auto* picked = Child<QListWidget>("List2");
  auto center = [&](int row) { return days->visualItemRect(days->item(row)).center(); };

  // Tab into the list, leaving and regaining the window: no pick.
  Child<FolderList>("Dir1")->setFocus();
  QTest::keyClick(Child<FolderList>("Dir1"), Qt::Key_Tab);
  QTRY_VERIFY(days->hasFocus());
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(days, &out);
  QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(days, &in);
  QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
  QApplication::sendEvent(window_.get(), &deactivate);
  QApplication::sendEvent(window_.get(), &activate);
  QCOMPARE(picked->count(), 0);

  // A drag over three entries picks none; a held-down arrow key picks nothing.
  SendMouse(days->viewport(), QEvent::MouseButtonPress, center(0), Qt::LeftButton);
  SendMouse(days->viewport(), QEvent::MouseMove, center(1), Qt::LeftButton);
  SendMouse(days->viewport(), QEvent::MouseMove, center(2), Qt::LeftButton);
  SendMouse(days->viewport(), QEvent::MouseButtonRelease, center(2), Qt::NoButton);
  QTest::simulateEvent(days, true, Qt::Key_Down, Qt::NoModifier, QString(), true);
  QCOMPARE(picked->count(), 0);
  QCOMPARE(days->selectedItems().size(), 0);

  // A double-click picks the entry under it once, not the one that moves up.
  QPoint first = center(0);
  QTest::mousePress(days->viewport(), Qt::LeftButton, {}, first);
  QTest::mouseRelease(days->viewport(), Qt::LeftButton, {}, first);
  QTest::mouseDClick(days->viewport(), Qt::LeftButton, {}, first);
  QTest::mouseRelease(days->viewport(), Qt::LeftButton, {}, first);
  QCOMPARE(Entries(picked), QStringList({"20080401"}));
  // Down picks the first entry, End the last.
  QTest::keyClick(days, Qt::Key_Down);
  QCOMPARE(Entries(picked), QStringList({"20080401", "20080402"}));
  QTest::keyClick(days, Qt::Key_End);
  QCOMPARE(Entries(picked), QStringList({"20080401", "20080402", "20080415"}));
  // Typing the start of an entry is one gesture, one pick.
  QTest::keyClicks(days, "2008040");
  QTRY_COMPARE(picked->count(), 4);
  QTest::qWait(QApplication::keyboardInputInterval() + 100);
  QCOMPARE(Entries(picked), QStringList({"20080401", "20080402", "20080415", "20080403"}));
  QCOMPARE(Entries(days), QStringList({"20080404"}));
}

void TestForm1::processFailureWithAFolderGone() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  Activate();
  Pick("20080401");
  auto* days = Child<QListWidget>("List1");
  std::vector<Qt::CursorShape> pointers;
  SetMessageBoxHook([&](QWidget*, const QString& text) {
    boxes_shown_ << text;
    pointers.push_back(QApplication::overrideCursor() != nullptr
                           ? QApplication::overrideCursor()->shape()
                           : Qt::ArrowCursor);
    // Closing the box gives the focus back to the window.
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(days, &in);
  });
  QDir(web).removeRecursively();
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY(boxes_shown_.first().contains("cannot write"));
  QCOMPARE(pointers, std::vector<Qt::CursorShape>({Qt::ArrowCursor}));
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(Entries(Child<QListWidget>("List2")), QStringList({"20080401"}));
  QString listing = " Error Encountered 53 cannot list the folder " + web;
  QVERIFY(TraceTexts(dir_->path()).filter(listing).size() == 1);
}

void TestForm1::processHandsTheFocusToTheDays() {
  OpenSeason(dir_->path() + "/boxes", dir_->path() + "/web");
  Activate();
  Pick("20080402");
  auto* process = Child<QPushButton>("Command1");
  QTest::mouseClick(process, Qt::LeftButton);
  QVERIFY(!process->isEnabled());
  QTRY_VERIFY(Child<QListWidget>("List1")->hasFocus());
  QCOMPARE(Child<QListWidget>("List2")->count(), 0);
}

void TestForm1::wheelChangesOnlyAFocusedDrive() {
  QString drive = dir_->path() + "/drive";
  QDir().mkpath(drive);
  OverrideMountPoints({"/", drive.toStdString()});
  window_ = MakeWindow();
  Activate();
  auto* drives = Child<QComboBox>("Drive1");
  int before = drives->currentIndex();
  auto turn = [&] {
    QPoint at = drives->rect().center();
    QWheelEvent wheel(at, drives->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(drives, &wheel);
  };
  Child<QListWidget>("List1")->setFocus();
  turn();
  QCOMPARE(drives->currentIndex(), before);
  QCOMPARE(Child<FolderList>("Dir1")->path(), dir_->path().toStdString());
  drives->setFocus();
  turn();
  QVERIFY(drives->currentIndex() != before);

  // A disk mounted after start-up is offered when the list opens.
  QString later = dir_->path() + "/later";
  QDir().mkpath(later);
  OverrideMountPoints({"/", drive.toStdString(), later.toStdString()});
  QCOMPARE(drives->count(), 2);
  QTest::keyClick(drives, Qt::Key_F4);
  QCOMPARE(drives->count(), 3);
  drives->hidePopup();
}

void TestForm1::folderListReachesEveryFolder() {
  for (const char* name : {"/plain", "/tmp", "/.wine/drive_c", "/gone"})
    QDir().mkpath(dir_->path() + name);
  window_ = MakeWindow();
  Activate();
  auto* folders = Child<FolderList>("Dir1");
  QStringList names;
  for (const QString& entry : Entries(folders)) names << entry.trimmed();
  QCOMPARE(names.mid(names.indexOf(QDir(dir_->path()).dirName())),
           QStringList({QDir(dir_->path()).dirName(), "gone", "plain", "tmp", ".wine"}));
  QCOMPARE(folders->toolTip(), dir_->path());

  // Typing a name selects it; Enter opens it; Backspace and Alt+Up go back up.
  folders->setFocus();
  QTest::keyClicks(folders, ".wi");
  QTest::keyClick(folders, Qt::Key_Return);
  QCOMPARE(folders->path(), (dir_->path() + "/.wine").toStdString());
  QTest::keyClicks(folders, "dri");
  QTest::keyClick(folders, Qt::Key_Return);
  QCOMPARE(folders->path(), (dir_->path() + "/.wine/drive_c").toStdString());
  QTest::keyClick(folders, Qt::Key_Backspace);
  QCOMPARE(folders->path(), (dir_->path() + "/.wine").toStdString());
  QTest::keyClick(folders, Qt::Key_Up, Qt::AltModifier);
  QCOMPARE(folders->path(), dir_->path().toStdString());
  QTest::qWait(QApplication::keyboardInputInterval() + 100);
  QTest::keyClicks(folders, "tmp");
  QCOMPARE(folders->currentItem()->text().trimmed(), QString("tmp"));

  // Folders deleted while shown: the list moves to the nearest one that exists, and says so.
  Failure failure;
  QVERIFY(folders->setPath((dir_->path() + "/gone").toStdString(), &failure));
  QDir(dir_->path() + "/gone").removeRecursively();
  QPoint gone = folders->visualItemRect(folders->currentItem()).center();
  QTest::mousePress(folders->viewport(), Qt::LeftButton, {}, gone);
  QTest::mouseRelease(folders->viewport(), Qt::LeftButton, {}, gone);
  QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, gone);
  QTest::mouseRelease(folders->viewport(), Qt::LeftButton, {}, gone);
  QCOMPARE(boxes_shown_.size(), 1);
  QCOMPARE(folders->path(), dir_->path().toStdString());
  QVERIFY(boxes_shown_.first().startsWith("Error Encountered 53 cannot open the folder " +
                                          dir_->path() + "/gone"));
  QVERIFY(boxes_shown_.first().contains("(the folder list now shows " + dir_->path() + ")"));
  QVERIFY(folders->findItems("gone", Qt::MatchEndsWith).isEmpty());
}

void TestForm1::startFolderGoneWritesNothingElsewhere() {
  bool root_had_log = QFile::exists("/boxtrace.txt"),
       root_had_settings = QFile::exists("/DOD_box.txt");
  QString start = dir_->path() + "/start";
  QDir().mkpath(start);
  QDir::setCurrent(start);
  QDir().rmdir(start);
  window_ = MakeWindow();
  QCOMPARE(boxes_shown_.size(), 1);
  QVERIFY(boxes_shown_.first().contains("no longer exists"));
  QTest::mouseClick(Child<QPushButton>("Command2"), Qt::LeftButton);
  QCOMPARE(QFile::exists("/boxtrace.txt"), root_had_log);
  QCOMPARE(QFile::exists("/DOD_box.txt"), root_had_settings);
}

void TestForm1::secondWindowLeavesTheFirstsFiles() {
  window_ = MakeWindow();
  QStringList first_trace = TraceTexts(dir_->path());
  {
    Form1 second(&clock_);
    QCOMPARE(boxes_shown_.size(), 1);
    QVERIFY(boxes_shown_.first().contains("another Gamefold is using the trace log"));
    QTest::mouseClick(second.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  }
  QCOMPARE(TraceTexts(dir_->path()), first_trace);
  QVERIFY(!QFile::exists(dir_->path() + "/DOD_box.txt"));
  QTest::mouseClick(Child<QPushButton>("Command2"), Qt::LeftButton);
  QCOMPARE(TraceTexts(dir_->path()), first_trace + QStringList({" exit "}));
}

void TestForm1::leavingSavesTheSettings() {
  QString boxes = dir_->path() + "/boxes", split = dir_->path() + "/web\nsite";
  OpenSeason(boxes, split);
  window_->close();
  QCOMPARE(ReadBytes(dir_->path() + "/DOD_box.txt"),
           "IPF " + boxes.toStdString() + "\r\nSEL 1 - Boxscores only\r\n");
  QVERIFY(TraceTexts(dir_->path()).contains(" folder not saved, its name holds a line feed "));
}

// "&PROCESS" waits while gamefold-batch writes into the output folder, then writes; a
// character set declared in the settings file goes into every page and is saved again.
void TestForm1::writersTakeTurnsAndTheCharsetIsKept() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  WriteSeason(boxes);
  QDir().mkpath(web);
  std::string settings = "IPF " + boxes.toStdString() + "\r\nOPF " + web.toStdString() +
                         "\r\nSEL 1 - Boxscores only\r\nCHS utf-8\r\n";
  WriteBytes(dir_->path() + "/DOD_box.txt", settings);
  window_ = MakeWindow();
  Pick("20080401");

  auto other = std::make_unique<FolderLock>();
  Failure failure;
  QVERIFY(other->Acquire(web.toStdString(), 0, &failure));
  std::thread release([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.reset();
  });
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  release.join();
  QVERIFY(boxes_shown_.isEmpty());
  QCOMPARE(TraceTexts(dir_->path()).filter(" waiting for another writer ").size(), 1);
  std::string page = ReadBytes(web + "/GamesOf20080401.htm");
  QCOMPARE(page.substr(0, 36), std::string("<HTML>\r\n<meta charset=utf-8>\r\n<head>"));
  QCOMPARE(ReadBytes(dir_->path() + "/DOD_box.txt"), settings);

  // While the index waits for the other writer, the pointer shows the window busy.
  other = std::make_unique<FolderLock>();
  QVERIFY(other->Acquire(web.toStdString(), 0, &failure));
  std::atomic<bool> busy_pointer = false;
  std::thread release_index([&] {
    for (int waited = 0; waited < 5000; waited += 10) {
      if (TraceTexts(dir_->path()).filter(" waiting for another writer ").size() == 2) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The window's thread sleeps in the wait meanwhile.
    busy_pointer = QApplication::overrideCursor() != nullptr &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    other.reset();
  });
  QTest::mouseClick(Child<QPushButton>("cmdBuildIndex"), Qt::LeftButton);
  release_index.join();
  QVERIFY(busy_pointer);
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(
      TraceTexts(dir_->path()).last(3),
      QStringList({" starting indexes ", " waiting for another writer ", " back from indexing "}));
  QVERIFY(boxes_shown_.isEmpty());
  QCOMPARE(ReadBytes(web + "/GamesIndex.htm").substr(0, 36),
           std::string("<HTML>\r\n<meta charset=utf-8>\r\n<head>"));
  QCOMPARE(QDir(web).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList({"GamesIndex.htm", "GamesOf20080401.htm"}));
}

// "SITE 1" in the settings file: "&PROCESS" writes the standings and team pages and links the
// days both ways, the neighbour of a new day included; the index links the standings; the line
// is saved again.
void TestForm1::siteLineKeepsTheLeaguesSite() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  WriteSeason(boxes);
  QDir().mkpath(web);
  std::string settings = "IPF " + boxes.toStdString() + "\r\nOPF " + web.toStdString() +
                         "\r\nSEL 1 - Boxscores only\r\nSITE 1\r\n";
  WriteBytes(dir_->path() + "/DOD_box.txt", settings);
  window_ = MakeWindow();
  Pick("20080401");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  Pick("20080402");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY(boxes_shown_.isEmpty());
  QVERIFY(ReadBytes(web + "/GamesOf20080401.htm")
              .find("Go to <A HREF=GamesOf20080402.htm>Next Day</A> | <A "
                    "HREF=Standings.htm>Standings</A> <BR><table>\r\n") != std::string::npos);
  QVERIFY(ReadBytes(web + "/GamesOf20080402.htm").find("Previous Day") != std::string::npos);
  QVERIFY(ReadBytes(web + "/Standings.htm").find("Team-Sox-Mets.htm'>Sox &amp; 'Mets'</A>") !=
          std::string::npos);
  QCOMPARE(ReadBytes(dir_->path() + "/DOD_box.txt"), settings);
  QTest::mouseClick(Child<QPushButton>("cmdBuildIndex"), Qt::LeftButton);
  QVERIFY(ReadBytes(web + "/GamesIndex.htm").find("<A HREF=Standings.htm>Standings</A>") !=
          std::string::npos);
  QCOMPARE(
      QDir(web).entryList(QDir::Files),
      QStringList({"GamesIndex.htm", "GamesOf20080401.htm", "GamesOf20080402.htm", "Standings.htm",
                   "Team-Astros.htm", "Team-Cubs.htm", "Team-Reds.htm", "Team-Sox-Mets.htm"}));
}

// The window keeps one processor, and its buffers, from run to run: nothing of a longer day or
// a fuller content choice may show on a later page.
void TestForm1::laterRunsWriteWhatAFreshRunWrites() {
  QString boxes = dir_->path() + "/boxes", web = dir_->path() + "/web";
  OpenSeason(boxes, web);
  auto* choices = Child<QListWidget>("List3");
  choices->setCurrentRow(2);
  Pick("20080401");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  choices->setCurrentRow(0);
  Pick("20080402");
  Pick("20080403");
  QTest::mouseClick(Child<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY(boxes_shown_.isEmpty());
  QVERIFY(!Child<QProgressBar>("progress")->isVisible());

  testing::TempDir fresh;
  std::vector<std::string> names = testing::Listing(boxes.toStdString(), kBoxscorePattern);
  for (auto [key, choice] : {std::pair{"20080401", ContentChoice::kLogs},
                             {"20080402", ContentChoice::kBoxscores},
                             {"20080403", ContentChoice::kBoxscores}}) {
    Failure err;
    QVERIFY(DayProcessor().ProcessDay({boxes.toStdString(), names, fresh.path(), choice}, key, {},
                                      &err));
    QCOMPARE(ReadBytes(web + "/" + QString::fromStdString(DayPageName(key))),
             testing::ReadBytes(fresh / DayPageName(key)));
  }
}

}  // namespace gamefold

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  gamefold::TestForm1 test;
  return QTest::qExec(&test, argc, argv);
}

#include "form1_test.moc"
