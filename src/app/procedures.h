#pragma once

#include <QPointer>
#include <QString>
#include <filesystem>
#include <string>

#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"
#include "ui/frm_main.h"
#include "ui/frm_working.h"

namespace echodelve::app {

// The procedure dispatcher: every piece of real work runs through
// RunProcedure, under one failure handler that shows the failure's
// description in a message box titled "EchoDelve".
class Procedures {
  public:
    Procedures(ui::frmMain& main, UiHooks& hooks);
    ~Procedures();
    Procedures(const Procedures&) = delete;
    Procedures& operator=(const Procedures&) = delete;

    // "sfxfile"/"wadfile": list the archive at path. "savefile": write sound
    // `index` to path. "saveallfile": write every listed sound into the folder
    // path (ending with "/"). Any other code does nothing. While it runs, the
    // main window refuses input but for its chrome (frmMain::ProcedureRunning),
    // and a second call does nothing.
    void RunProcedure(const QString& procedure, const QString& path, qint32 index);

    // Writes one sound of the listed archive with the extractor of its kind;
    // false when the user declined to save a sound that is not RIFF.
    bool ExtractSound(const QString& target, qint64 index);

    const SfxDecoder& Sfx() const { return sfx_; }
    const wadDecoder& Wad() const { return wad_; }
    // The progress window while a listing or a Save All runs, else null.
    ui::frmWorking* Working() const { return working_; }

  private:
    class Busy;
    void ListArchive(bool sfx, const QString& path);
    void SaveOne(const QString& path, qint32 index);
    void SaveAll(const QString& folder);
    void OpenWorking();
    void CloseWorking();
    void Advance(const std::string& stepText);

    ui::frmMain& main_;
    UiHooks& hooks_;
    SfxDecoder sfx_;
    wadDecoder wad_;
    QPointer<ui::frmWorking> working_;
};

// A path as the file system names it.
std::filesystem::path ToFsPath(const QString& path);

// The selected row of the sound list, or null.
QTreeWidgetItem* SelectedRow(const QTreeWidget* list);

// The sound number of a row key "a" + number; 0 for anything else.
qint32 SoundNumberFromKey(const QString& key);
inline constexpr int kRowKeyRole = Qt::UserRole;

}  // namespace echodelve::app
