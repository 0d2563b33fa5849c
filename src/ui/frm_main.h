#pragma once

#include <QCheckBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QTreeWidget>
#include <QWidget>
#include <array>

#include "platform/sound_service.h"
#include "ui/click_label.h"
#include "ui/drive_picker.h"
#include "ui/file_picker.h"
#include "ui/folder_picker.h"
#include "ui/glyph_label.h"
#include "ui/panel.h"
#include "ui/sound_list.h"

namespace echodelve::ui {

// The main window: borderless, with its own title row and glyph buttons, the
// sound-list panel and the browse panel, both starting out of view at the
// right. It also carries the program's state between commands.
class frmMain : public QWidget {
    Q_OBJECT
  public:
    // Interface sounds go to `sound` (none when null); the browse panel starts
    // at the process's working folder.
    explicit frmMain(platform::SoundService* sound = nullptr, QWidget* parent = nullptr);

    // Program state.
    void SetOpenProcedure(const QString& procedure) { OpenProcedure = procedure; }
    void Setfileissfx() { fileissfx = true; }
    void setfileiswad() { fileissfx = false; }
    bool Getfileissfx() const { return fileissfx; }

    QString OpenProcedure;
    bool fileissfx = false;
    bool MainDlgShown = false;
    bool Swishing = false;

    // True while a procedure runs. Its loops let events run, so a second
    // command could otherwise replace the catalogue under it; meanwhile the
    // window takes input only where TakesInputWhileBusy says so.
    bool ProcedureRunning() const { return procedureRunning_; }
    void SetProcedureRunning(bool running) { procedureRunning_ = running; }
    // The window's own chrome still works during a procedure: the title drag,
    // minimize, close, and the menu glyph (its menu offers Exit).
    bool TakesInputWhileBusy(const QObject* receiver) const;

    // The browse panel's behaviour: the slides with their sounds, the wait
    // they use, hiding the panel controls around a slide, Cancel and the
    // coupling of the drive, folder and file lists.
    void pause(float seconds);
    void DisableDlgs();
    void EnableDlgs();
    void SwishDlgIn();
    void SwishDlgOut();
    void SwishMainDlgIn();
    void SwishMainDlgOut();
    void Label4_Click();
    void DirList_Change();
    void DriveList_Change();

    // The folder holding the executable, and "data" with the interface sounds.
    QString ProgramFolder() const { return programFolder_; }
    void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
    // Plays "<program folder>/data/<name>" once, if it exists.
    void PlayInterfaceSound(const QString& name);
    platform::SoundService* Sound() const { return sound_; }

    // Where both panels rest out of view and where they slide in to, in the
    // window's own horizontal units.
    static constexpr double kPanelOut = 350;
    static constexpr double kPanelIn = 20;

    // The window chrome: the title row is the handle that drags the window,
    // and the label buttons shift while pressed.
    void title_MouseDown(Qt::MouseButton button, QPointF position);
    void title_MouseMove(Qt::MouseButtons buttons, QPointF position);
    void title_MouseUp(Qt::MouseButton button, QPointF position);
    void LabelButton_MouseDown(ClickLabel* label);
    void LabelButton_MouseUp(ClickLabel* label);
    bool Dragging = false;
    double DownX = 0;  // the pressed point within the title, in the window's units
    double DownY = 0;
    // Where each label button rests, in twips within its panel.
    static QPointF RestPosition(const ClickLabel* label);

    // Title row and status line.
    ClickLabel* title;
    GlyphLabel* mnulabel;
    GlyphLabel* Label3;
    GlyphLabel* Label2;
    QLabel* Status;

    // The sound-list panel.
    Panel* MainPicBox;
    QLabel* lblName;
    QLabel* lblSize;
    SoundList* Port;
    QCheckBox* loopsnd;
    ClickLabel* Label5;

    // The browse panel.
    Panel* BrowseDlg;
    Panel* FileListBox;
    FilePicker* FileList;
    Panel* DirListBox;
    FolderPicker* DirList;
    Panel* DriveListBox;
    DrivePicker* DriveList;
    QLabel* BrowseStatus;
    QCheckBox* opendir;
    ClickLabel* Label1;
    ClickLabel* Label4;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void BuildMainPanel();
    void BuildBrowsePanel();
    void StartBrowsing();
    // The browse panel's controls that hide and disable during a slide, in order.
    std::array<QWidget*, 5> BrowseControls() const;
    void ConnectChrome();
    void SlideIn(Panel* panel);
    void SlideOut(Panel* panel);

    QImage picture_;
    bool procedureRunning_ = false;
    platform::SoundService* sound_;
    QString programFolder_;
    // The folder last shown on each volume, as drives keep a current folder.
    QHash<QString, QString> driveFolders_;
};

}  // namespace echodelve::ui
