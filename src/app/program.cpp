#include "app/program.h"

#include <QApplication>
#include <QShortcut>
#include <cmath>

#include "commands/about_command.h"
#include "commands/confirm_browse.h"
#include "commands/exit_command.h"
#include "commands/folder_command.h"
#include "commands/open_commands.h"
#include "commands/save_commands.h"
#include "platform/folder_browser.h"
#include "ui/units.h"

namespace echodelve::app {

namespace {

void EndProgram() {
    // Every window goes at once, without asking; then the event loop ends.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
    QCoreApplication::exit(0);
}

}  // namespace

Program::Program()
    : context_{main_,
               procedures_,
               preview_,
               sound_,
               [](const QString& folder) { platform::OpenFolderInFileBrowser(folder); },
               EndProgram} {
    Connect();
}

QPoint Program::MainMenuPosition() const {
    return main_.mapToGlobal(QPoint(static_cast<int>(std::lround(ui::MainUnitsToPixelsX(5))),
                                    static_cast<int>(std::lround(ui::MainUnitsToPixelsY(5)))));
}

void Program::Connect() {
    using namespace commands;
    const auto on = [this](QAction* item, void (*command)(CommandContext&)) {
        QObject::connect(item, &QAction::triggered, &main_, [this, command] { command(context_); });
    };
    on(menus_.mnuSfxOpen, mnuSfxOpen_Click);
    on(menus_.mnuWadOpen, mnuWadOpen_Click);
    on(menus_.mnuSaveAs, mnuSaveAs_Click);
    on(menus_.mnuSaveAll, mnuSaveAll_Click);
    on(menus_.mnuAbout, mnuAbout_Click);
    on(menus_.mnuExit, mnuExit_Click);
    on(menus_.mnuCreateFolder, mnuCreateFolder_Click);

    QObject::connect(main_.Label1, &ui::ClickLabel::Click, &main_,
                     [this] { ConfirmBrowse(context_); });
    QObject::connect(main_.FileList, &ui::FilePicker::DblClick, &main_,
                     [this] { ConfirmBrowse(context_); });
    QObject::connect(main_.mnulabel, &ui::ClickLabel::Click, &main_,
                     [this] { menus_.mnuMain->popup(MainMenuPosition()); });
    QObject::connect(main_.Port, &QTreeWidget::itemDoubleClicked, &main_,
                     [this] { preview_.Port_DblClick(); });
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Return), main_.Port, nullptr, nullptr,
                                   Qt::WidgetShortcut),
                     &QShortcut::activated, &main_, [this] { preview_.Port_DblClick(); });
    QObject::connect(main_.Port, &QTreeWidget::itemClicked, &main_,
                     [this](QTreeWidgetItem* item) { preview_.Port_ItemClick(item); });
    QObject::connect(main_.Label5, &ui::ClickLabel::Click, &main_,
                     [this] { preview_.Label5_Click(); });
    QObject::connect(main_.Label2, &ui::ClickLabel::Click, &main_,
                     [this] { mnuExit_Click(context_); });
    QObject::connect(main_.Label3, &ui::ClickLabel::Click, &main_,
                     [this] { main_.showMinimized(); });
    QObject::connect(main_.DirList, &ui::FolderPicker::MouseDown, &main_,
                     [this](Qt::MouseButton button, QPoint position) {
                         if (button == Qt::RightButton) {
                             menus_.mnuDirControl->popup(position);
                         }
                     });
}

}  // namespace echodelve::app
