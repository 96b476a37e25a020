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
#include "app/folder_picker.h"
#include "app/form1.h"

namespace gamefold {

namespace {

// Twips per pixel at 96 dots per inch; Qt scales pixels for high-dpi screens itself.
constexpr double kTwipsPerPixel = 15.0;

// How long the folders must stay still before the window lists them again: copying a season
// in changes the folder many times a second.
constexpr int kRefreshDelayMs = 300;

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

}  // namespace

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

}  // namespace gamefold
