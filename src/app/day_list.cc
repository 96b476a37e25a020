#include "app/day_list.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace gamefold {

void FocusFrameList::paintEvent(QPaintEvent* event) {
  QListWidget::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(viewport());
  QPen pen(palette().color(QPalette::Active, QPalette::Highlight), 2);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // Drawn on the viewport's edge, whatever part of it is being repainted.
  painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
}

// The whole frame is repainted when the focus comes or goes, not just the current entry.
void FocusFrameList::focusInEvent(QFocusEvent* event) {
  QListWidget::focusInEvent(event);
  viewport()->update();
}

void FocusFrameList::focusOutEvent(QFocusEvent* event) {
  QListWidget::focusOutEvent(event);
  viewport()->update();
}

DayList::DayList(QWidget* parent) : FocusFrameList(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
  typing_.setSingleShot(true);
  typing_.setInterval(QApplication::keyboardInputInterval());
  connect(&typing_, &QTimer::timeout, this, &DayList::pickCurrent);
}

void DayList::pickCurrent() {
  int row = currentRow();
  if (row >= 0 && row < count()) emit picked(row);
}

// The view's own mouse handling selects rows on press and while dragging; a pick moves the
// entry away for good, so the list handles the mouse itself and picks on release only.
void DayList::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  QListWidgetItem* item = itemAt(event->position().toPoint());
  pressed_row_ = item != nullptr ? row(item) : -1;
}

void DayList::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void DayList::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  int pressed = pressed_row_;
  pressed_row_ = -1;
  QListWidgetItem* item = itemAt(event->position().toPoint());
  if (pressed < 0 || item == nullptr || row(item) != pressed) return;
  typing_.stop();
  emit picked(pressed);
}

// The second press of a double-click lands on the entry that moved up into the picked one's
// place; it is not a new pick.
void DayList::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  pressed_row_ = -1;
}

void DayList::keyPressEvent(QKeyEvent* event) {
  bool moves = false;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      moves = true;
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
      event->ignore();
      return;
    default:
      break;
  }
  bool typed = !moves && !event->text().isEmpty() && event->text().at(0).isPrint() &&
               (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
  if ((moves || typed) && event->isAutoRepeat()) {
    // A key held down would pick one day per repeat.
    event->accept();
    return;
  }
  if (moves) typing_.stop();
  int before = currentRow();
  if (moves && before < 0) {
    // With no entry current the view would move to the first for every key; End means the last.
    if (count() > 0) setCurrentRow(event->key() == Qt::Key_End ? count() - 1 : 0);
    event->accept();
    pickCurrent();
    return;
  }
  FocusFrameList::keyPressEvent(event);
  bool moved = currentRow() != before && currentRow() >= 0;
  if (moves && moved) {
    pickCurrent();
  } else if (typed && (moved || typing_.isActive())) {
    typing_.start();
  }
}

void DayList::focusInEvent(QFocusEvent* event) {
  // The view makes the first row current when it gains the focus; that is not a choice, and
  // keeping it would make the next Down skip the first entry.
  bool had_current = currentRow() >= 0;
  FocusFrameList::focusInEvent(event);
  if (!had_current && currentRow() >= 0) {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
  }
}

}  // namespace gamefold

namespace gamefold {

SelectedDayList::SelectedDayList(QWidget* parent) : FocusFrameList(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
}

void SelectedDayList::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  QListWidgetItem* item = itemAt(event->position().toPoint());
  if (item != nullptr) emit unpicked(row(item));
}

void SelectedDayList::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Delete && event->key() != Qt::Key_Backspace) {
    FocusFrameList::keyPressEvent(event);
    return;
  }
  event->accept();
  // A held-down key would empty the whole selection.
  if (event->isAutoRepeat()) return;
  int row = currentRow();
  if (row >= 0 && row < count()) emit unpicked(row);
}

}  // namespace gamefold
