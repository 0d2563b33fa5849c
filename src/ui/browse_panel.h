#pragma once

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>

#include "platform/sound_service.h"
#include "ui/click_label.h"
#include "ui/drive_picker.h"
#include "ui/file_picker.h"
#include "ui/folder_picker.h"
#include "ui/panel.h"

namespace echodelve::ui {

// The panel the main window shows in place of the sound list whenever a
// command needs a path: drive, folder and file lists, a status line, "Open
// Folder When Saved", "&OK" and "&Cancel". It owns the four slides that
// bring it and the main panel in and out, with their interface sounds, and
// the coupling of its lists.
class BrowsePanel : public QObject {
    Q_OBJECT
  public:
    // What the panel needs of the window around it: the main panel it takes
    // turns with, whose list and check box hide during a slide too.
    struct MainPanel {
        Panel* MainPicBox;
        QWidget* Port;
        QWidget* loopsnd;
    };
    // Builds BrowseDlg on `window`, out of view, with its lists at the
    // process's working folder. Interface sounds go to `sound` (none when
    // null), read from "data" in the folder `programFolder` names.
    BrowsePanel(QWidget* window, MainPanel main, platform::SoundService* sound,
                std::function<QString()> programFolder);

    // Where both panels rest out of view and where they slide in to, in the
    // window's own horizontal units.
    static constexpr double kPanelOut = 350;
    static constexpr double kPanelIn = 20;
    // The main panel counts as in view left of this many units.
    static constexpr double kMainPanelInBelow = 22;

    // The slides, the wait they use and the hiding of the panel controls.
    void pause(float seconds);
    void DisableDlgs();
    void EnableDlgs();
    void SwishDlgIn();
    void SwishDlgOut();
    void SwishMainDlgIn();
    void SwishMainDlgOut();
    bool Swishing() const { return swishing_; }
    bool MainPanelInView() const;

    // "&Cancel": the panel out, and the sound list back once a confirm has run.
    void Label4_Click();
    bool MainDlgShown() const { return mainDlgShown_; }
    void SetMainDlgShown() { mainDlgShown_ = true; }

    void DirList_Change();
    void DriveList_Change();
    // A file system was mounted or unmounted: the drive list has read itself
    // again; a folder shown on one that went away gives way to the root.
    void MountsChanged();
    // Plays the interface sound `name` once, if it exists (see
    // platform::InterfaceSoundPath).
    void PlayInterfaceSound(const QString& name);

    // The modes the commands put the panel in, once it has slid in: choosing
    // a file of a kind, or choosing a folder (the file list disabled and empty,
    // "Open Folder When Saved" shown).
    // `several`: more than one file may be chosen (Ctrl and Shift with a click).
    void ShowOpenMode(const QString& pattern, const QString& caption, bool several = false);
    void ShowFolderMode(const QString& caption);
    void EnableFileList() { FileList->setEnabled(true); }

    // What the confirm reads: the folder shown, the file selected (empty when
    // none), the status caption and the check box.
    QString Folder() const { return DirList->Path(); }
    QString FileName() const { return FileList->FileName(); }
    QStringList FileNames() const { return FileList->FileNames(); }
    QString StatusCaption() const { return BrowseStatus->text(); }
    bool OpenFolderWhenSaved() const { return opendir->isChecked(); }

    // The controls, under their own names.
    Panel* BrowseDlg;
    Panel* FileListBox;
    FilePicker* FileList;
    Panel* DirListBox;
    FolderPicker* DirList;
    Panel* DriveListBox;
    DrivePicker* DriveList;
    QLabel* BrowseStatus;
    QCheckBox* opendir;
    LabelButton* Label1;
    LabelButton* Label4;

  signals:
    // "&OK", or a double-click in the file list.
    void Confirm();
    // A right-button press on the folder list, at this screen point.
    void FolderMenu(QPoint globalPosition);

  private:
    void Build(QWidget* window);
    void StartBrowsing();
    // The browse panel's controls that hide and disable during a slide, in order.
    std::array<QWidget*, 5> BrowseControls() const;
    void SlideIn(Panel* panel);
    void SlideOut(Panel* panel);

    MainPanel main_;
    platform::SoundService* sound_;
    std::function<QString()> programFolder_;
    bool swishing_ = false;
    bool mainDlgShown_ = false;
    // The folder last shown on each volume, as drives keep a current folder.
    QHash<QString, QString> driveFolders_;
    QString shownRoot_;  // the root of the file system the folder shown is on
};

}  // namespace echodelve::ui
