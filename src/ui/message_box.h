#pragma once

#include <QString>
#include <QWidget>

namespace echodelve::ui {

// A modal message box with a single OK and no icon, over `owner`.
void ShowMessage(QWidget* owner, const QString& title, const QString& text);

}  // namespace echodelve::ui
