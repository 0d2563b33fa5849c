#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>

namespace echodelve::ui {

// Owns the two pop-up menus; it is never shown itself.
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
};

}  // namespace echodelve::ui
