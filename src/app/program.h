#pragma once

#include <memory>

#include "app/procedures.h"
#include "app/qt_ui_hooks.h"
#include "ui/frm_main.h"
#include "ui/frm_menus.h"

namespace echodelve::app {

// The running program: its windows, the library's hooks and the dispatcher.
class Program {
  public:
    Program() = default;

    ui::frmMain& Main() { return main_; }
    ui::frmMenus& Menus() { return menus_; }
    Procedures& Dispatcher() { return procedures_; }

  private:
    ui::frmMain main_;
    ui::frmMenus menus_;
    QtUiHooks hooks_{&main_};
    Procedures procedures_{main_, hooks_};
};

}  // namespace echodelve::app
