#pragma once

#include <QWidget>

#include "formats/ui_hooks.h"

namespace echodelve::app {

// The archive library's user interface in the desktop program, and the
// procedures' way to the user: the event loop and message boxes owned by the
// main window (or by none).
class QtUiHooks : public UiHooks {
  public:
    explicit QtUiHooks(QWidget* owner) : owner_(owner) {}

    void PumpEvents() override;
    // "File is blank or it is not WAV format, and may be unplayable. Save
    // Anyways?", titled "Warning", with Yes and No.
    bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override;
    // A message box with OK over the owner, for what a procedure has to say.
    virtual void Tell(const QString& title, const QString& text);

  private:
    QWidget* owner_;
};

}  // namespace echodelve::app
