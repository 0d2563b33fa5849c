#pragma once

#include <QApplication>
#include <QPointer>
#include <exception>
#include <functional>

#include "app/preview.h"
#include "app/procedures.h"
#include "app/program_state.h"
#include "app/qt_ui_hooks.h"
#include "commands/command_context.h"
#include "platform/sound_service.h"
#include "ui/frm_main.h"
#include "ui/frm_menus.h"
#include "ui/frm_working.h"

namespace echodelve::program {

// Says `what` on stderr, runs `beforeEnd` (the exit sequence's clean-up)
// and ends the process with status 1.
[[noreturn]] void EndUnforeseen(const char* what, const std::function<void()>& beforeEnd);

// Delivers an event through `deliver` (QApplication::notify). Qt cannot
// carry an exception through its event loop, so one that escapes a handler
// ends the program here (EndUnforeseen). A template: it runs for every event,
// and a std::function would cost an allocation each time.
template <typename Deliver>
bool DeliverGuarded(const Deliver& deliver, const std::function<void()>& beforeEnd) {
    try {
        return deliver();
    } catch (const std::exception& failure) {
        EndUnforeseen(failure.what(), beforeEnd);
    } catch (...) {
        EndUnforeseen("an unforeseen failure ended the program", beforeEnd);
    }
}

// The program's application object: every event goes through DeliverGuarded.
class Application : public QApplication {
  public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    void SetBeforeEnd(std::function<void()> beforeEnd) { beforeEnd_ = std::move(beforeEnd); }
    bool notify(QObject* receiver, QEvent* event) override {
        return DeliverGuarded([&] { return QApplication::notify(receiver, event); }, beforeEnd_);
    }

  private:
    std::function<void()> beforeEnd_;
};

// The running program: the sound service, the windows, the library's hooks,
// the dispatcher, and every control and menu item connected to its command.
class Program {
  public:
    Program();

    ui::frmMain& Main() { return main_; }
    app::ProgramState& State() { return state_; }
    // The progress window while a listing or a Save All runs, else null.
    ui::frmWorking* Working() const { return working_; }
    ui::frmMenus& Menus() { return menus_; }
    app::Procedures& Dispatcher() { return procedures_; }
    app::Preview& PreviewOf() { return preview_; }
    platform::SoundService& Sound() { return sound_; }
    commands::CommandContext& Context() { return context_; }

    // Where mnuMain opens: (5, 5) in the main window's units.
    QPoint MainMenuPosition() const;

  private:
    void Connect();
    // The windows show the state: the list, the summary, the progress window
    // and, while a procedure runs, the refusal of input and of the menu
    // entries that cannot run.
    void ShowState();

    platform::SoundService sound_;
    app::ProgramState state_;
    ui::frmMain main_{&sound_};
    ui::frmMenus menus_;
    QPointer<ui::frmWorking> working_;
    app::QtUiHooks hooks_{&main_};
    app::Procedures procedures_{state_, hooks_};
    app::Preview preview_{state_, procedures_, hooks_, sound_};
    commands::CommandContext context_;
};

}  // namespace echodelve::program
