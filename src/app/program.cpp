#include "app/program.h"

#include <QApplication>
#include <QShortcut>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "commands/about_command.h"
#include "commands/confirm_browse.h"
#include "commands/exit_command.h"
#include "commands/folder_command.h"
#include "commands/open_commands.h"
#include "commands/save_commands.h"
#include "formats/atomic_file.h"
#include "platform/folder_browser.h"
#include "ui/units.h"

namespace echodelve::app {

namespace {

[[noreturn]] void EndProgram() {
    // At once: Exit may come while a procedure's loop or a slide lets events
    // run, and returning into that loop would go on writing sounds, open the
    // file browser or show messages after the window has gone. Nothing is
    // written at this moment but a file in flight would be removed all the same.
    RemoveFilesInFlight();
    std::fflush(nullptr);
    std::_Exit(0);
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
    // While a procedure runs every command is refused, quietly, but for Exit
    // (and the close, minimize and menu glyphs, which open no procedure).
    const auto busy = [this] { return main_.ProcedureRunning(); };
    const auto on = [this, busy](QAction* item, void (*command)(CommandContext&)) {
        QObject::connect(item, &QAction::triggered, &main_, [this, busy, command] {
            if (!busy()) {
                command(context_);
            }
        });
    };
    on(menus_.mnuSfxOpen, mnuSfxOpen_Click);
    on(menus_.mnuWadOpen, mnuWadOpen_Click);
    on(menus_.mnuSaveAs, mnuSaveAs_Click);
    on(menus_.mnuSaveAll, mnuSaveAll_Click);
    on(menus_.mnuAbout, mnuAbout_Click);
    on(menus_.mnuCreateFolder, mnuCreateFolder_Click);
    QObject::connect(menus_.mnuExit, &QAction::triggered, &main_,
                     [this] { mnuExit_Click(context_); });

    const auto confirm = [this, busy] {
        if (!busy()) {
            ConfirmBrowse(context_);
        }
    };
    QObject::connect(main_.Label1, &ui::ClickLabel::Click, &main_, confirm);
    QObject::connect(main_.FileList, &ui::FilePicker::DblClick, &main_, confirm);
    const auto preview = [this, busy] {
        if (!busy()) {
            preview_.Port_DblClick();
        }
    };
    QObject::connect(main_.Port, &ui::SoundList::DblClick, &main_, preview);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Return), main_.Port, nullptr, nullptr,
                                   Qt::WidgetShortcut),
                     &QShortcut::activated, &main_, preview);
    QObject::connect(main_.Port, &QTreeWidget::itemClicked, &main_,
                     [this, busy](QTreeWidgetItem* item) {
                         if (!busy()) {
                             preview_.Port_ItemClick(item);
                         }
                     });
    QObject::connect(main_.Label5, &ui::ClickLabel::Click, &main_, [this, busy] {
        if (!busy()) {
            preview_.Label5_Click();
        }
    });
    QObject::connect(main_.DirList, &ui::FolderPicker::MouseDown, &main_,
                     [this, busy](Qt::MouseButton button, QPoint position) {
                         if (button == Qt::RightButton && !busy()) {
                             menus_.mnuDirControl->popup(position);
                         }
                     });

    QObject::connect(main_.mnulabel, &ui::ClickLabel::Click, &main_,
                     [this] { menus_.mnuMain->popup(MainMenuPosition()); });
    QObject::connect(main_.Label2, &ui::ClickLabel::Click, &main_,
                     [this] { mnuExit_Click(context_); });
    QObject::connect(main_.Label3, &ui::ClickLabel::Click, &main_,
                     [this] { main_.showMinimized(); });
}

}  // namespace echodelve::app
