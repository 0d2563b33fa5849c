#include "app/qt_ui_hooks.h"

#include <QCoreApplication>

#include "ui/message_box.h"

namespace echodelve::app {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void QtUiHooks::PumpEvents() {
    QCoreApplication::processEvents();
}

void QtUiHooks::ShowWarning(std::string_view title, std::string_view text) {
    ui::ShowMessage(owner_, FromUtf8(title), FromUtf8(text));
}

bool QtUiHooks::AskYesNo(std::string_view title, std::string_view text) {
    return ui::AskYesNo(owner_, FromUtf8(title), FromUtf8(text));
}

}  // namespace echodelve::app
