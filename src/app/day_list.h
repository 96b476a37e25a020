#pragma once

#include <QListWidget>
#include <QTimer>

namespace gamefold {

/// A list that shows when it holds the keyboard focus: a frame in the highlight colour inside
/// its border. The lists clear their current entry on purpose, so the dotted frame of a current
/// entry cannot be what tells the user where the keys go.
class FocusFrameList : public QListWidget {
  Q_OBJECT

 public:
  explicit FocusFrameList(QWidget* parent = nullptr) : QListWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

/// "Game Days Available": a list whose picks are deliberate acts only. A pick is a click (press
/// and release on the same entry) or a move of the selection by an arrow key, Home, End, Page
/// Up/Down, or by typing an entry's first characters; each gesture picks at most one entry.
/// Focus changes, window activation, drags, double-clicks and held-down keys pick nothing.
class DayList : public FocusFrameList {
  Q_OBJECT

 public:
  explicit DayList(QWidget* parent = nullptr);

 signals:
  /// The user picked the entry at row.
  void picked(int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void pickCurrent();

  int pressed_row_ = -1;
  // Typing "2008041" is one gesture: the entry it reaches is picked once the typing pauses.
  QTimer typing_;
};

/// "Game Days Selected": Delete, Backspace or a double-click on an entry takes it back out.
class SelectedDayList : public FocusFrameList {
  Q_OBJECT

 public:
  explicit SelectedDayList(QWidget* parent = nullptr);

 signals:
  /// The user asked to take the entry at row out of the selection.
  void unpicked(int row);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace gamefold
