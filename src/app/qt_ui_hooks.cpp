#include "app/qt_ui_hooks.h"

#include <QCoreApplication>

#include "ui/message_box.h"
#include "ui/titles.h"

namespace echodelve::app {

void QtUiHooks::PumpEvents() {
    QCoreApplication::processEvents();
}

bool QtUiHooks::SaveSoundThatIsNotRiff(const SoundQuery& /*sound*/) {
    return ui::AskYesNo(
        owner_, QString(ui::kWarningTitle),
        QStringLiteral(
            "File is blank or it is not WAV format, and may be unplayable. Save Anyways?"));
}

void QtUiHooks::Tell(const QString& title, const QString& text) {
    ui::ShowMessage(owner_, title, text);
}

}  // namespace echodelve::app
