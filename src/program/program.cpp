#include "program/program.h"

#include <QApplication>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include <unistd.h>

#include "commands/about_command.h"
#include "commands/confirm_browse.h"
#include "commands/edit_commands.h"
#include "commands/exit_command.h"
#include "commands/folder_command.h"
#include "commands/open_commands.h"
#include "commands/save_commands.h"
#include "formats/atomic_file.h"
#include "formats/library_chatter.h"
#include "platform/folder_browser.h"
#include "ui/units.h"

namespace echodelve::program {

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

void EndUnforeseen(const char* what, const std::function<void()>& beforeEnd) {
    dprintf(LibraryChatter::ToolFd(), "echodelve: %s\n", what);
    if (beforeEnd) {
        try {
            beforeEnd();
        } catch (...) {  // NOLINT(bugprone-empty-catch): ending regardless
        }
    }
    RemoveFilesInFlight();
    std::fflush(nullptr);
    std::_Exit(1);
}

Program::Program()
    : context_{
          main_,       state_,
          procedures_, preview_,
          sound_,      [](const QString& folder) { platform::OpenFolderInFileBrowser(folder); },
          EndProgram} {
    ShowState();
    Connect();
}

QPoint Program::MainMenuPosition() const {
    return main_.mapToGlobal(QPoint(static_cast<int>(std::lround(ui::MainUnitsToPixelsX(5))),
                                    static_cast<int>(std::lround(ui::MainUnitsToPixelsY(5)))));
}

void Program::ShowState() {
    using app::ProgramState;
    QObject::connect(&state_, &ProgramState::BusyChanged, &main_,
                     &ui::frmMain::SetProcedureRunning);
    QObject::connect(&state_, &ProgramState::SoundsCleared, &main_, &ui::frmMain::ClearSounds);
    QObject::connect(&state_, &ProgramState::SoundAdded, &main_, [this](const app::ListedSound& s) {
        main_.AddSound(s.number, s.name, s.size, s.edited);
    });
    QObject::connect(&state_, &ProgramState::SoundsShown, &main_,
                     &ui::frmMain::SetSoundListVisible);
    QObject::connect(&state_, &ProgramState::SummaryChanged, &main_, &ui::frmMain::SetStatus);
    // What a preview plays and how, as the user chooses them in the window.
    QObject::connect(main_.Port(), &QTreeWidget::itemSelectionChanged, &main_, [this] {
        const std::optional<ui::SoundRow> row = main_.SelectedSound();
        state_.SetSelected(
            row ? std::optional(app::ListedSound{row->number, row->name, row->size.toLongLong()})
                : std::nullopt);
    });
    QObject::connect(main_.loopsnd(), &QCheckBox::toggled, &state_, &ProgramState::SetLoop);
    QObject::connect(&state_, &ProgramState::SoundSelectionAsked, &main_,
                     [this](std::int32_t number) {
                         if (number >= 1 && number <= main_.SoundCount()) {
                             main_.Port()->setCurrentItem(main_.Port()->topLevelItem(number - 1));
                         }
                     });
    main_.Port()->SetToolTips([this](std::int32_t number) { return preview_.Tips().Tip(number); });
    // A tooltip's picture belongs to its listing, and none shows while a run lasts.
    QObject::connect(&state_, &ProgramState::SoundsCleared, &main_,
                     [this] { preview_.Tips().Clear(); });
    QObject::connect(&preview_.Tips(), &app::SoundTips::PictureReady, &main_,
                     [this](std::int32_t number) {
                         if (!state_.Busy()) {
                             main_.Port()->RefreshToolTip(number);
                         }
                     });
    QObject::connect(&state_, &ProgramState::Saved, &main_,
                     [this] { main_.Browse().EnableFileList(); });
    QObject::connect(&state_, &ProgramState::ProgressStarted, &main_, [this] {
        working_ = new ui::frmWorking(&main_);
        working_->setAttribute(Qt::WA_DeleteOnClose, false);
        working_->show();
    });
    QObject::connect(&state_, &ProgramState::ProgressChanged, &main_,
                     [this](float value, const QString& caption) {
                         if (working_ != nullptr) {  // a window that is gone is not drawn on
                             working_->SetProgress(value, caption);
                         }
                     });
    QObject::connect(&state_, &ProgramState::ProgressEnded, &main_, [this] {
        if (working_ != nullptr) {
            working_->Finish();
            delete working_;
        }
    });
}

void Program::Connect() {
    using namespace commands;
    // While a procedure runs every command is refused but for Exit (and the
    // close, minimize and menu glyphs, which run no procedure).
    const auto unlessBusy = [this](void (*command)(CommandContext&)) {
        return [this, command] {
            if (!state_.Busy()) {
                command(context_);
            }
        };
    };
    using Command = void (*)(CommandContext&);
    const std::array<std::pair<QAction*, Command>, 11> items = {
        {{menus_.mnuSfxOpen, mnuSfxOpen_Click},
         {menus_.mnuWadOpen, mnuWadOpen_Click},
         {menus_.mnuSaveAs, mnuSaveAs_Click},
         {menus_.mnuSaveAll, mnuSaveAll_Click},
         {menus_.mnuAbout, mnuAbout_Click},
         {menus_.mnuCreateFolder, mnuCreateFolder_Click},
         {menus_.mnuReplace, mnuReplace_Click},
         {menus_.mnuRename, mnuRename_Click},
         {menus_.mnuRemove, mnuRemove_Click},
         {menus_.mnuAddSounds, mnuAddSounds_Click},
         {menus_.mnuSaveArchiveAs, mnuSaveArchiveAs_Click}}};
    for (const auto& [item, command] : items) {
        QObject::connect(item, &QAction::triggered, &main_, unlessBusy(command));
    }
    // What cannot run while a procedure runs is shown so. About could, but its
    // modal loop would hold the run until it closed; Exit always can.
    QObject::connect(&state_, &app::ProgramState::BusyChanged, &main_, [items](bool running) {
        for (const auto& [item, command] : items) {
            item->setEnabled(!running);
        }
    });
    QObject::connect(menus_.mnuExit, &QAction::triggered, &main_,
                     [this] { mnuExit_Click(context_); });
    QObject::connect(&main_, &ui::frmMain::CloseRequested, &main_,
                     [this] { mnuExit_Click(context_); });
    QObject::connect(&main_, &ui::frmMain::MenuRequested, &main_,
                     [this] { menus_.mnuMain->popup(MainMenuPosition()); });

    QObject::connect(&main_, &ui::frmMain::ConfirmRequested, &main_, unlessBusy(ConfirmBrowse));
    QObject::connect(&main_, &ui::frmMain::PreviewRequested, &main_, [this] {
        if (!state_.Busy()) {
            preview_.Port_DblClick();
        }
    });
    QObject::connect(&main_, &ui::frmMain::RowClicked, &main_, [this](QTreeWidgetItem* item) {
        if (!state_.Busy()) {
            preview_.Port_ItemClick(
                {ui::SoundList::NumberOf(item), item->text(0), item->text(1).toLongLong()});
        }
    });
    QObject::connect(&main_, &ui::frmMain::StopSoundRequested, &main_, [this] {
        if (!state_.Busy()) {
            preview_.Label5_Click();
        }
    });
    QObject::connect(&main_, &ui::frmMain::ArchiveDropped, &main_,
                     [this](const QString& path) { OpenArchive(context_, path); });
    main_.Port()->SetDragFiles([this](std::int32_t number, const QString& name) {
        return state_.Busy() ? QString() : preview_.ExtractForDrag(number, name);
    });
    // The sound list's menu: what concerns a row only on a row, and a name
    // only where the archive keeps names.
    QObject::connect(main_.Port(), &ui::SoundList::MenuRequested, &main_,
                     [this](QPoint at, std::int32_t number) {
                         if (state_.Busy()) {
                             return;
                         }
                         for (QAction* onRow : {menus_.mnuReplace, menus_.mnuRemove}) {
                             onRow->setEnabled(number != 0);
                         }
                         menus_.mnuRename->setEnabled(number != 0 && !state_.fileissfx());
                         menus_.mnuSoundControl->popup(at);
                     });
    QObject::connect(&main_, &ui::frmMain::SoundsDropped, &main_,
                     [this](std::int32_t number, const QStringList& files) {
                         DropSounds(context_, number, files);
                     });
    QObject::connect(&main_, &ui::frmMain::FolderMenuRequested, &main_, [this](QPoint at) {
        if (!state_.Busy()) {
            menus_.mnuDirControl->popup(at);
        }
    });
}

}  // namespace echodelve::program
