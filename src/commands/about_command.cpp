#include "commands/about_command.h"

#include "ui/frm_about.h"

namespace echodelve::commands {

void mnuAbout_Click(CommandContext& context) {
    // Made afresh each time, so its texts are set again as it loads.
    ui::frmAbout about(&context.main);
    about.exec();
}

}  // namespace echodelve::commands
