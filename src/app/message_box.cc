#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace gamefold {

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

void ShowMessageBox(QWidget* parent, const QString& text) {
  // A box raised during a long command waits for the user: the busy pointer would tell them
  // to wait too.
  bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  struct RestoreCursor {
    bool busy;
    ~RestoreCursor() {
      if (busy) QApplication::restoreOverrideCursor();
    }
  } restore{busy};
  if (Hook()) {
    Hook()(parent, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Gamefold"), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace gamefold
