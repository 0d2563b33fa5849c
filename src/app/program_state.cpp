#include "app/program_state.h"

namespace echodelve::app {

void ProgramState::SetBusy(bool busy) {
    if (busy != busy_) {
        busy_ = busy;
        emit BusyChanged(busy);
    }
}

void ProgramState::ClearSounds() {
    sounds_.clear();
    selected_.reset();
    emit SoundsCleared();
}

void ProgramState::AddSound(const ListedSound& sound) {
    sounds_.push_back(sound);
    emit SoundAdded(sound);
}

void ProgramState::SetSummary(const QString& summary) {
    summary_ = summary;
    emit SummaryChanged(summary);
}

void ProgramState::StartProgress() {
    inProgress_ = true;
    progressValue_ = 0;
    emit ProgressStarted();
}

void ProgramState::SetProgress(float value, const QString& caption) {
    progressValue_ = value;
    emit ProgressChanged(value, caption);
}

void ProgramState::EndProgress() {
    if (inProgress_) {
        inProgress_ = false;
        emit ProgressEnded();
    }
}

}  // namespace echodelve::app
