#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <memory>
#include <optional>

#include "platform/sound_service.h"
#include "ui/browse_panel.h"
#include "ui/click_label.h"
#include "ui/glyph_label.h"
#include "ui/panel.h"
#include "ui/sound_list.h"

namespace echodelve::ui {

// A row of the sound list: the sound's number (from the row's key "a" +
// number), its name and its size as shown.
struct SoundRow {
    std::int32_t number;
    QString name;
    QString size;
};

// The main window: borderless, with its own title row and glyph buttons, the
// sound-list panel and the browse panel, both starting out of view at the
// right. It keeps the program's state between commands and tells the program
// what the user asks for through its signals.
class frmMain : public QWidget {
    Q_OBJECT
  public:
    // Interface sounds go to `sound` (none when null); the browse panel starts
    // at the process's working folder.
    explicit frmMain(platform::SoundService* sound = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // While a procedure runs its loops let events run, so a second command
    // could otherwise replace the catalogue under it: meanwhile the window
    // drops user input but where TakesInputWhileBusy says, and a press it
    // drops rings the desktop's bell so the user knows it was refused. Other
    // windows (the menus, the progress window, message boxes) are not touched.
    bool ProcedureRunning() const { return refusal_ != nullptr; }
    void SetProcedureRunning(bool running);
    // The window's own chrome still works during a procedure: the title drag,
    // minimize, close, and the menu glyph (its menu offers Exit).
    bool TakesInputWhileBusy(const QObject* receiver) const;

    // The sound list: rows keyed "a" + number, with a name and a size.
    void ClearSounds();
    // An edited row is marked (bold and italic, "edited" for screen readers)
    // until the archive is saved.
    void AddSound(std::int32_t number, const QString& name, qint64 size, bool edited = false);
    int SoundCount() const;
    std::optional<SoundRow> SelectedSound() const;
    void SetSoundListVisible(bool visible);
    void SetStatus(const QString& text);
    bool LoopChecked() const { return w_.loopsnd->isChecked(); }

    // The browse panel, and its slides under the names the program uses.
    BrowsePanel& Browse() { return *browse_; }
    const BrowsePanel& Browse() const { return *browse_; }
    void SwishDlgIn() { browse_->SwishDlgIn(); }
    void SwishDlgOut() { browse_->SwishDlgOut(); }
    void SwishMainDlgIn() { browse_->SwishMainDlgIn(); }
    void SwishMainDlgOut() { browse_->SwishMainDlgOut(); }

    // The folder holding the executable, and "data" with the interface sounds.
    QString ProgramFolder() const { return programFolder_; }
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }

    // The window chrome: the title row is the handle that drags the window.
    void title_MouseDown(Qt::MouseButton button, QPointF position);
    void title_MouseMove(Qt::MouseButtons buttons, QPointF position);
    void title_MouseUp(Qt::MouseButton button, QPointF position);
    bool Dragging() const { return dragging_; }

    // The controls, under their own names.
    ClickLabel* title() const { return w_.title; }
    GlyphLabel* mnulabel() const { return w_.mnulabel; }
    GlyphLabel* Label3() const { return w_.Label3; }
    GlyphLabel* Label2() const { return w_.Label2; }
    QLabel* Status() const { return w_.Status; }
    Panel* MainPicBox() const { return w_.MainPicBox; }
    QLabel* lblName() const { return w_.lblName; }
    QLabel* lblSize() const { return w_.lblSize; }
    SoundList* Port() const { return w_.Port; }
    QCheckBox* loopsnd() const { return w_.loopsnd; }
    LabelButton* Label5() const { return w_.Label5; }
    Panel* BrowseDlg() const { return browse_->BrowseDlg; }
    FilePicker* FileList() const { return browse_->FileList; }
    FolderPicker* DirList() const { return browse_->DirList; }
    DrivePicker* DriveList() const { return browse_->DriveList; }
    QLabel* BrowseStatus() const { return browse_->BrowseStatus; }
    QCheckBox* opendir() const { return browse_->opendir; }
    LabelButton* Label1() const { return browse_->Label1; }
    LabelButton* Label4() const { return browse_->Label4; }

  signals:
    void MenuRequested();                      // the menu glyph
    void CloseRequested();                     // the close glyph, or the window manager's close
    void PreviewRequested();                   // a double-click in the sound list, or Enter
    void RowClicked(QTreeWidgetItem* item);    // a click on a row of the sound list
    void StopSoundRequested();                 // "&Stop Sound"
    void ConfirmRequested();                   // "&OK", or a double-click in the file list
    void FolderMenuRequested(QPoint global);   // a right-button press on the folder list
    void ArchiveDropped(const QString& path);  // one local file dropped on the window
    // WAV files dropped on the listed sounds: on the row of sound `number`,
    // or on the list's empty area (0).
    void SoundsDropped(std::int32_t number, const QStringList& files);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // One local file may be dropped, unless a procedure runs; WAV files
    // (any number) on a shown sound list.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Escape that no control used: "&Cancel", while the browse panel is in view.
    void keyPressEvent(QKeyEvent* event) override;
    // A close request from the window manager (Alt+F4, a task bar's Close)
    // is the close glyph: CloseRequested, and the window stays for the exit
    // sequence to end the program.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMainPanel();
    // The sound a drop at `position` (in this window) lands on: its number,
    // 0 for the list's empty area, nullopt off a shown list.
    std::optional<std::int32_t> DropTarget(QPointF position) const;
    void Connect();
    // A label button's press from the keyboard: taken while its panel is in
    // view, no slide runs and no procedure runs.
    void PressFromKeyboard(LabelButton* label);

    struct Widgets {
        ClickLabel* title;
        GlyphLabel* mnulabel;
        GlyphLabel* Label3;
        GlyphLabel* Label2;
        QLabel* Status;
        Panel* MainPicBox;
        QLabel* lblName;
        QLabel* lblSize;
        SoundList* Port;
        QCheckBox* loopsnd;
        LabelButton* Label5;
    } w_{};
    BrowsePanel* browse_ = nullptr;

    QImage picture_;
    QString programFolder_;
    class InputRefusal;
    std::unique_ptr<InputRefusal> refusal_;  // while a procedure runs
    bool dragging_ = false;
    double DownX_ = 0;  // the pressed point within the title, in the window's units
    double DownY_ = 0;
};

}  // namespace echodelve::ui
