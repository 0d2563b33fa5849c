#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <map>
#include <set>

#include "ui/frm_main.h"

namespace echodelve::ui {
namespace {

QString AccessibleName(QWidget* widget) {
    // Qt on Unix gives a combo box's value as its name; the name set is kept
    // for the bridge's relations.
    if (qobject_cast<QComboBox*>(widget) != nullptr) {
        return widget->accessibleName();
    }
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// Every control a person may reach, as a screen reader names it.
TEST(AccessTest, EveryControlHasANameAndTheButtonsADescription) {
    frmMain main;
    main.show();
    BrowsePanel& browse = main.Browse();
    const std::vector<std::pair<QWidget*, const char*>> controls = {
        {main.title(), "Echo Delve"},
        {main.mnulabel(), "Menu"},
        {main.Label3(), "Minimize"},
        {main.Label2(), "Close"},
        {main.Label5(), "Stop Sound"},
        {main.Port(), "Sounds"},
        {main.loopsnd(), "Loop Sound"},
        {main.Status(), "Status"},
        {browse.FileList, "Files"},
        {browse.DirList, "Folders"},
        {browse.DriveList, "Drives"},
        {browse.opendir, "Open Folder When Saved"},
        {browse.Label1, "OK"},
        {browse.Label4, "Cancel"},
        {browse.BrowseStatus, "Browse status"}};
    for (const auto& [control, name] : controls) {
        EXPECT_EQ(AccessibleName(control).toStdString(), name);
    }
    for (QWidget* button :
         {static_cast<QWidget*>(main.mnulabel()), static_cast<QWidget*>(main.Label2()),
          static_cast<QWidget*>(main.Label3()), static_cast<QWidget*>(main.Label5()),
          static_cast<QWidget*>(browse.Label1), static_cast<QWidget*>(browse.Label4)}) {
        EXPECT_FALSE(button->accessibleDescription().isEmpty())
            << AccessibleName(button).toStdString();
        EXPECT_EQ(button->toolTip(), button->accessibleDescription());
    }
    // The glyphs and label buttons are buttons a screen reader can press, the
    // press being a click; the title is text.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(main.title())->role(), QAccessible::StaticText);
    for (ClickLabel* button :
         {static_cast<ClickLabel*>(main.mnulabel()), static_cast<ClickLabel*>(main.Label5()),
          static_cast<ClickLabel*>(browse.Label4)}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        EXPECT_EQ(accessible->role(), QAccessible::Button);
        QSignalSpy clicked(button, &ClickLabel::Click);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_TRUE(clicked.wait(1000)) << AccessibleName(button).toStdString();
    }
    // The tree a screen reader walks holds them under the window.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&main);
    ASSERT_NE(window, nullptr);
    EXPECT_GE(window->indexOfChild(QAccessible::queryAccessibleInterface(main.mnulabel())), 0);
}

TEST(AccessTest, TheKeyboardOpensTheMenuCancelsThePanelAndMovesTheChoice) {
    frmMain main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QSignalSpy menu(&main, &frmMain::MenuRequested);
    QTest::keyClick(&main, Qt::Key_F10);
    QTest::keyClick(&main, Qt::Key_Menu);
    EXPECT_EQ(menu.count(), 2);

    int cancels = 0;
    QObject::connect(main.Label4(), &ClickLabel::Click, [&cancels] { ++cancels; });
    QTest::keyClick(&main, Qt::Key_Escape);  // the panel is out of view
    EXPECT_EQ(cancels, 0);
    main.BrowseDlg()->SetLeftUnits(BrowsePanel::kPanelIn);
    QTest::keyClick(&main, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);

    // Moving through the sounds with the keyboard is choosing them, as a click is.
    main.AddSound(1, QStringLiteral("a.wav"), 100);
    main.AddSound(2, QStringLiteral("b.wav"), 200);
    main.Port()->setFocus();
    main.Port()->setCurrentItem(main.Port()->topLevelItem(0));
    QSignalSpy chosen(&main, &frmMain::RowClicked);
    QTest::keyClick(main.Port(), Qt::Key_Down);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<QTreeWidgetItem*>(), main.Port()->topLevelItem(1));
    QTest::keyClick(main.Port(), Qt::Key_Down);  // already the last: no move, no choice
    EXPECT_EQ(chosen.count(), 1);
}

// What a person sees of a control: its part of the window.
QImage SeenOf(frmMain& main, QWidget* control) {
    QRect seen = control->rect();
    for (QWidget* widget = control; widget != &main; widget = widget->parentWidget()) {
        seen = seen.translated(widget->pos()) & widget->parentWidget()->rect();
    }
    return main.grab(seen).toImage();
}

// Tab reaches every control that takes focus in the panel in view, and
// nothing out of view; each shows that it has focus, the browse panel's
// clipped lists and the empty sound list included.
void ExpectTabCycle(frmMain& main, const std::set<std::string>& names) {
    std::map<QWidget*, QImage> unfocused;
    for (QWidget* control : main.findChildren<QWidget*>()) {
        if ((control->focusPolicy() & Qt::TabFocus) != 0 && control->isVisible()) {
            unfocused[control] = SeenOf(main, control);
        }
    }
    std::set<std::string> reached;
    for (std::size_t press = 0; press < 2 * unfocused.size(); ++press) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : &main, Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(unfocused.contains(focused));
        const std::string name = focused->accessibleName().toStdString();
        if (reached.insert(name).second) {
            EXPECT_NE(SeenOf(main, focused), unfocused[focused]) << "no focus shown on " << name;
        }
    }
    EXPECT_EQ(reached, names);
}

TEST(AccessTest, TabReachesTheControlsInViewAndFocusShowsOnEach) {
    frmMain main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    ExpectTabCycle(main, {"Sounds", "Loop Sound"});

    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelOut);
    main.BrowseDlg()->SetLeftUnits(BrowsePanel::kPanelIn);
    ExpectTabCycle(main, {"Files", "Folders", "Drives", "Open Folder When Saved"});
}

}  // namespace
}  // namespace echodelve::ui
