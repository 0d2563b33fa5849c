#pragma once

#include "app/preview.h"
#include "app/procedures.h"
#include "app/qt_ui_hooks.h"
#include "commands/command_context.h"
#include "platform/sound_service.h"
#include "ui/frm_main.h"
#include "ui/frm_menus.h"

namespace echodelve::program {

// The running program: the sound service, the windows, the library's hooks,
// the dispatcher, and every control and menu item connected to its command.
class Program {
  public:
    Program();

    ui::frmMain& Main() { return main_; }
    ui::frmMenus& Menus() { return menus_; }
    app::Procedures& Dispatcher() { return procedures_; }
    app::Preview& PreviewOf() { return preview_; }
    platform::SoundService& Sound() { return sound_; }
    commands::CommandContext& Context() { return context_; }

    // Where mnuMain opens: (5, 5) in the main window's units.
    QPoint MainMenuPosition() const;

  private:
    void Connect();

    platform::SoundService sound_;
    ui::frmMain main_{&sound_};
    ui::frmMenus menus_;
    app::QtUiHooks hooks_{&main_};
    app::Procedures procedures_{main_, hooks_};
    app::Preview preview_{main_, procedures_, sound_};
    commands::CommandContext context_;
};

}  // namespace echodelve::program
