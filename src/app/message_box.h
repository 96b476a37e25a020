#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace gamefold {

/// Shows a modal message box with one OK button and the given text, titled "Gamefold".
using MessageBoxHook = std::function<void(QWidget* parent, const QString& text)>;

/// Replaces the message box, so that tests see its text without a modal box; an empty hook
/// brings the real box back.
void SetMessageBoxHook(MessageBoxHook hook);

/// Shows text in the message box (or hands it to the hook).
void ShowMessageBox(QWidget* parent, const QString& text);

}  // namespace gamefold
