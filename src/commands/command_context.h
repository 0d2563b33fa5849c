#pragma once

#include <QString>
#include <functional>

#include "app/preview.h"
#include "app/procedures.h"
#include "app/program_state.h"
#include "platform/paths.h"
#include "platform/sound_service.h"
#include "ui/frm_main.h"
#include "ui/message_box.h"

namespace echodelve::commands {

// What the menu commands and the confirm action work on.
struct CommandContext {
    ui::frmMain& main;
    app::ProgramState& state;
    app::Procedures& procedures;
    app::Preview& preview;
    platform::SoundService& sound;
    // Shows a folder in the desktop's file browser.
    std::function<void(const QString& folder)> openFolder;
    // Ends the program at once.
    std::function<void()> endProgram;
};

using platform::JoinPath;
using ui::ShowMessage;

}  // namespace echodelve::commands
