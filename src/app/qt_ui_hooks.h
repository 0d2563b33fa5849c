#pragma once

#include <QWidget>

#include "formats/ui_hooks.h"

namespace echodelve::app {

// The archive library's user interface in the desktop program: the event loop
// and message boxes owned by the main window.
class QtUiHooks : public UiHooks {
  public:
    explicit QtUiHooks(QWidget* owner) : owner_(owner) {}

    void PumpEvents() override;
    // "File is blank or it is not WAV format, and may be unplayable. Save
    // Anyways?", titled "Warning", with Yes and No.
    bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override;

  private:
    QWidget* owner_;
};

}  // namespace echodelve::app
