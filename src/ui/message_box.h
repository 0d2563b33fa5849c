#pragma once

#include <QString>
#include <QWidget>

namespace echodelve::ui {

// A modal message box with a single OK and no icon, over `owner`. The text
// is shown as plain text, whatever names or paths it holds.
void ShowMessage(QWidget* owner, const QString& title, const QString& text);

// The same with the buttons Yes and No; true for Yes.
bool AskYesNo(QWidget* owner, const QString& title, const QString& text);

}  // namespace echodelve::ui
