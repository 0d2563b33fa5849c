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
    void ShowWarning(std::string_view title, std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;

  private:
    QWidget* owner_;
};

}  // namespace echodelve::app
