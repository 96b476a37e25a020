#include "app/message_box.h"

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
  if (Hook()) {
    Hook()(parent, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Gamefold"), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace gamefold
