#pragma once

#include <QString>
#include <functional>

#include "app/procedures.h"
#include "app/program_state.h"
#include "app/qt_ui_hooks.h"
#include "app/sound_tips.h"
#include "platform/scratch_folder.h"
#include "platform/sound_service.h"

namespace echodelve::app {

// The sound preview: a double-click (or Enter) on a row writes that sound
// into this program's own scratch folder (platform::ScratchFolder) and plays it, once or, with
// "Loop Sound" ticked, looped; a click shows its name and size; "&Stop Sound" stops it. Every
// failing step is skipped without a message.
class Preview {
  public:
    // Works on the program's state alone: the listing, the selected sound
    // and "Loop Sound" are read from it, a clicked sound is shown as its
    // summary, and `hooks` says what a drag could not do.
    Preview(ProgramState& state, Procedures& procedures, QtUiHooks& hooks,
            platform::SoundService& sound);

    void Port_DblClick();
    void Port_ItemClick(const ListedSound& sound);
    void Label5_Click();
    // Writes sound `number` into the scratch folder under its safe name, as a
    // preview does (the RIFF question included), for a drag to a file
    // manager to copy; the file's path, or empty when nothing was written.
    QString ExtractForDrag(qint32 number, const QString& name);

    const platform::ScratchFolder& Scratch() const { return scratch_; }
    // The sound list's tooltips, with their pictures.
    SoundTips& Tips() { return tips_; }
    // For the exit sequence: ClearScratchFolder with the files this preview wrote.
    void ClearScratch();

  private:
    ProgramState& state_;
    Procedures& procedures_;
    QtUiHooks& hooks_;
    platform::SoundService& sound_;
    platform::ScratchFolder scratch_;
    SoundTips tips_;
    // The preview files this program wrote, whatever their names ("x.dat"
    // escapes "*.wav"); deleted with the next preview and at exit.
    QStringList written_;
};

// A sound's details in a line, for the sound list's tooltip:
// "IMA ADPCM, 22,050 Hz, mono, 1.42 s", or why they cannot be told.
QString DescribeSound(const DetailsOrProblem& sound);

// Ends any sound that is playing, a looped preview included.
void StopSound(platform::SoundService& sound);

// Deletes the preview files from the folder: "*.wav" in any letter case, and
// the files in `written` (what the program wrote there itself). Other files
// stay. Failures are ignored.
void DeletePreviews(const QString& folder, const QStringList& written = {});

// DeletePreviews, then removes the folder if that left it empty.
void ClearScratchFolder(const QString& folder, const QStringList& written = {});

}  // namespace echodelve::app
