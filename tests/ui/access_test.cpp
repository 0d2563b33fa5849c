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

using namespace Qt::StringLiterals;

QString AccessibleName(QWidget* widget) {
    // Qt on Unix gives a combo box's value as its name; the name set is kept
    // for the bridge's relations.
    if (qobject_cast<QComboBox*>(widget) != nullptr) {
        return widget->accessibleName();
    }
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// Every control a person may reach, as a screen reader names it; the buttons
// are described, as their tooltips say, and a screen reader can press them.
TEST(AccessTest, EveryControlHasANameAndTheButtonsADescriptionAndAPress) {
    frmMain main;
    main.show();
    QStringList names;
    for (QWidget* control : std::initializer_list<QWidget*>{
             main.title(), main.mnulabel(), main.Label3(), main.Label2(), main.Label5(),
             main.Port(), main.loopsnd(), main.Status(), main.FileList(), main.DirList(),
             main.DriveList(), main.opendir(), main.Label1(), main.Label4(), main.BrowseStatus()}) {
        names << AccessibleName(control);
    }
    EXPECT_EQ(names.join(u", "_s),
              u"Echo Delve, Menu, Minimize, Close, Stop Sound, Sounds, Loop "
              u"Sound, Status, Files, Folders, Drives, Open Folder When "
              u"Saved, OK, Cancel, Browse status"_s);
    for (ClickLabel* button :
         std::initializer_list<ClickLabel*>{main.mnulabel(), main.Label3(), main.Label2(),
                                            main.Label5(), main.Label1(), main.Label4()}) {
        const std::string name = AccessibleName(button).toStdString();
        EXPECT_FALSE(button->accessibleDescription().isEmpty()) << name;
        EXPECT_EQ(button->toolTip(), button->accessibleDescription()) << name;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        EXPECT_EQ(accessible->role(), QAccessible::Button) << name;
        QSignalSpy clicked(button, &ClickLabel::Click);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_TRUE(clicked.wait(1000)) << name;
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(main.title())->role(), QAccessible::StaticText);
    // The tree a screen reader walks holds them under the window.
    EXPECT_GE(QAccessible::queryAccessibleInterface(&main)->indexOfChild(
                  QAccessible::queryAccessibleInterface(main.mnulabel())),
              0);
}

TEST(AccessTest, TheKeyboardOpensTheMenuMovesThroughTheSoundsAndPressesButtonsInView) {
    frmMain main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QSignalSpy menu(&main, &frmMain::MenuRequested);
    QTest::keyClick(&main, Qt::Key_F10);
    QTest::keyClick(&main, Qt::Key_Menu);
    EXPECT_EQ(menu.count(), 2);

    // Moving through the sounds is choosing them, as a click is; Enter plays.
    main.AddSound(1, QStringLiteral("a.wav"), 100);
    main.AddSound(2, QStringLiteral("b.wav"), 200);
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.Port()->setFocus();
    main.Port()->setCurrentItem(main.Port()->topLevelItem(0));
    QSignalSpy chosen(&main, &frmMain::RowClicked);
    QSignalSpy previews(&main, &frmMain::PreviewRequested);
    QTest::keyClick(main.Port(), Qt::Key_Down);
    QTest::keyClick(main.Port(), Qt::Key_Down);  // already the last: no move, no choice
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<QTreeWidgetItem*>(), main.Port()->topLevelItem(1));
    QTest::keyClick(main.Port(), Qt::Key_Return);
    EXPECT_EQ(previews.count(), 1);

    // Alt and the underlined letter, and Escape alone for Cancel, press a
    // label button while its panel is in view and no procedure runs.
    QSignalSpy ok(main.Label1(), &ClickLabel::Click);
    QSignalSpy cancel(main.Label4(), &ClickLabel::Click);
    QSignalSpy stop(main.Label5(), &ClickLabel::Click);
    const struct {
        double browse, list;  // where the panels are
        bool running;
        int pressed;  // OK, Cancel and Stop Sound, each once
    } cases[] = {{350, 350, false, 0}, {20.01, 21, false, 0}, {20, 350, false, 2},
                 {350, 20, false, 1},  {20, 20, true, 0},     {19, 19, false, 3}};
    for (const auto& c : cases) {
        main.BrowseDlg()->SetLeftUnits(c.browse);
        main.MainPicBox()->SetLeftUnits(c.list);
        main.SetProcedureRunning(c.running);
        ok.clear();
        cancel.clear();
        stop.clear();
        QTest::keyClick(&main, Qt::Key_O, Qt::AltModifier);
        QTest::keyClick(&main, Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(&main, Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_EQ(cancel.count(), 0);
        QTest::keyClick(&main, Qt::Key_Escape);
        EXPECT_EQ(ok.count(), cancel.count()) << c.browse;
        EXPECT_EQ(ok.count() * 2 + stop.count(), c.pressed) << c.browse << " " << c.list;
        main.SetProcedureRunning(false);
    }
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
TEST(AccessTest, TabReachesTheControlsInViewAndFocusShowsOnEach) {
    frmMain main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const std::pair<Panel*, std::set<std::string>> views[] = {
        {main.MainPicBox(), {"Sounds", "Loop Sound"}},
        {main.BrowseDlg(), {"Files", "Folders", "Drives", "Open Folder When Saved"}}};
    for (const auto& [panel, names] : views) {
        main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelOut);
        main.BrowseDlg()->SetLeftUnits(BrowsePanel::kPanelOut);
        panel->SetLeftUnits(BrowsePanel::kPanelIn);
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
                EXPECT_NE(SeenOf(main, focused), unfocused[focused])
                    << "no focus shown on " << name;
            }
        }
        EXPECT_EQ(reached, names);
    }
}

}  // namespace
}  // namespace echodelve::ui
