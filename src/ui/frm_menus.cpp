#include "ui/frm_menus.h"

namespace echodelve::ui {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

frmMenus::frmMenus(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("frmMenus"));
    mnuMain = new QMenu(QStringLiteral("Main"));
    mnuMain->setObjectName(QStringLiteral("mnuMain"));
    mnuSfxOpen = AddItem(mnuMain, "mnuSfxOpen", QStringLiteral("&SFX Open"));
    mnuWadOpen = AddItem(mnuMain, "mnuWadOpen", QStringLiteral("&WAD Open"));
    dash1 = AddSeparator(mnuMain, "dash1");
    mnuSaveAs = AddItem(mnuMain, "mnuSaveAs", QStringLiteral("Sa&ve"));
    mnuSaveAll = AddItem(mnuMain, "mnuSaveAll", QStringLiteral("Save A&ll"));
    dash3 = AddSeparator(mnuMain, "dash3");
    mnuAbout = AddItem(mnuMain, "mnuAbout", QStringLiteral("A&bout"));
    dash2 = AddSeparator(mnuMain, "dash2");
    mnuExit = AddItem(mnuMain, "mnuExit", QStringLiteral("E&xit"));

    mnuDirControl = new QMenu(QStringLiteral("DirControl"));
    mnuDirControl->setObjectName(QStringLiteral("mnuDirControl"));
    mnuCreateFolder = AddItem(mnuDirControl, "mnuCreateFolder", QStringLiteral("&Create Folder"));

    mnuSoundControl = new QMenu(QStringLiteral("SoundControl"));
    mnuSoundControl->setObjectName(QStringLiteral("mnuSoundControl"));
    mnuReplace = AddItem(mnuSoundControl, "mnuReplace", QStringLiteral("Replace..."));
    mnuRename = AddItem(mnuSoundControl, "mnuRename", QStringLiteral("Rename..."));
    mnuRemove = AddItem(mnuSoundControl, "mnuRemove", QStringLiteral("Remove"));
    dash4 = AddSeparator(mnuSoundControl, "dash4");
    mnuAddSounds = AddItem(mnuSoundControl, "mnuAddSounds", QStringLiteral("Add Sounds..."));
    dash5 = AddSeparator(mnuSoundControl, "dash5");
    mnuSaveArchiveAs =
        AddItem(mnuSoundControl, "mnuSaveArchiveAs", QStringLiteral("Save Archive As..."));
}

frmMenus::~frmMenus() {
    delete mnuMain;
    delete mnuDirControl;
    delete mnuSoundControl;
}

}  // namespace echodelve::ui
