#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>

namespace echodelve::ui {

// Owns the pop-up menus; it is never shown itself.
class frmMenus : public QObject {
    Q_OBJECT
  public:
    explicit frmMenus(QObject* parent = nullptr);
    ~frmMenus() override;

    QMenu* mnuMain;
    QAction* mnuSfxOpen;
    QAction* mnuWadOpen;
    QAction* dash1;
    QAction* mnuSaveAs;
    QAction* mnuSaveAll;
    QAction* dash3;
    QAction* mnuAbout;
    QAction* dash2;
    QAction* mnuExit;

    QMenu* mnuDirControl;
    QAction* mnuCreateFolder;
    // The sound list's menu: editing the listed archive.
    QMenu* mnuSoundControl;
    QAction* mnuReplace;
    QAction* mnuRename;
    QAction* mnuRemove;
    QAction* dash4;
    QAction* mnuAddSounds;
    QAction* dash5;
    QAction* mnuSaveArchiveAs;
};

}  // namespace echodelve::ui
