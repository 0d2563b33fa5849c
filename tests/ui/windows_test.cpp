#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>

#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/frm_menus.h"
#include "ui/frm_working.h"

namespace echodelve::ui {
namespace {

using namespace Qt::StringLiterals;

// At start only the title row shows over the stripes: the title and its
// glyphs drawn, neither panel. A panel slid in lies within the window, and
// its controls within it, apart and wide enough for their captions. The grabs
// are kept for people to look at.
TEST(WindowsTest, TheWindowShowsEachPartWholeAndApart) {
    frmMain main;
    main.show();
    const QImage grab = main.grab().toImage();
    QDir().mkpath(QStringLiteral(ECHODELVE_ARTIFACTS_DIR));
    grab.save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR "/frmMain-start.png"));
    EXPECT_TRUE(main.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(main.windowTitle(), u"Echo Delve"_s);
    for (const QWidget* glyph : std::initializer_list<const QWidget*>{
             main.title(), main.mnulabel(), main.Label3(), main.Label2()}) {
        const QRect box = glyph->geometry();
        int lit = 0;
        for (int i = 0; i < box.width() * box.height(); ++i) {
            lit += QColor(grab.pixel(box.x() + i % box.width(), box.y() + i / box.width()))
                               .lightness() > 150
                       ? 1
                       : 0;
        }
        EXPECT_GT(lit, 3) << glyph->accessibleName().toStdString();
    }
    for (int y = 16; y < 316; y += 2) {  // a stripe every other row, across the window
        EXPECT_EQ(QColor(grab.pixel(200, y)), QColor(Qt::black)) << y;
        EXPECT_EQ(QColor(grab.pixel(200, y + 1)), QColor(84, 84, 84)) << y;
    }
    for (Panel* panel : {main.MainPicBox(), main.BrowseDlg()}) {
        EXPECT_FALSE(panel->isVisible());
        panel->SetLeftUnits(BrowsePanel::kPanelIn);
        ASSERT_TRUE(panel->isVisible());
        EXPECT_TRUE(main.rect().contains(panel->geometry()));
        std::vector<QWidget*> controls;
        for (QWidget* control : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isVisibleTo(panel) && !control->inherits("echodelve::ui::FocusOutline")) {
                controls.push_back(control);
            }
        }
        ASSERT_GE(controls.size(), 5u);
        for (QWidget* control : controls) {
            const std::string name = control->accessibleName().toStdString();
            EXPECT_TRUE(panel->rect().contains(control->geometry())) << name;
            for (QWidget* other : controls) {
                EXPECT_TRUE(control == other || !control->geometry().intersects(other->geometry()))
                    << name << " overlaps " << other->accessibleName().toStdString();
            }
            int room = control->width();
            if (auto* box = qobject_cast<QCheckBox*>(control)) {
                QStyleOptionButton option;
                option.initFrom(box);
                room =
                    box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
                EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), room) << name;
            } else if (auto* label = qobject_cast<ClickLabel*>(control)) {
                EXPECT_LE(label->sizeHint().width(), room) << name;
            }
        }
        main.grab().save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR "/") + panel->objectName() +
                         u".png"_s);
        panel->SetLeftUnits(BrowsePanel::kPanelOut);
    }
}

TEST(WindowsTest, MenusHoldTheirItemsInOrder) {
    frmMenus menus;
    QStringList main;
    for (const QAction* action : menus.mnuMain->actions()) {
        main << (action->isSeparator() ? u"-"_s : action->text());
    }
    EXPECT_EQ(main, (QStringList{u"&SFX Open"_s, u"&WAD Open"_s, u"-"_s, u"Sa&ve"_s, u"Save A&ll"_s,
                                 u"-"_s, u"A&bout"_s, u"-"_s, u"E&xit"_s}));
    ASSERT_EQ(menus.mnuDirControl->actions(), QList<QAction*>{menus.mnuCreateFolder});
    EXPECT_EQ(menus.mnuCreateFolder->text(), u"&Create Folder"_s);
}

// The bar shows its value cut, up to its end at 101; the window goes only
// when its run ends, not at Escape or a close request.
TEST(WindowsTest, TheProgressWindowShowsTheBarCutAndGoesOnlyWhenItsRunEnds) {
    frmMain main;
    frmWorking working(&main);
    EXPECT_EQ(working.Label1->text() + working.percent->text(), u"Working...0%"_s);
    EXPECT_EQ(working.PBar->value(), 0);
    EXPECT_FALSE(working.isModal());
    for (const auto& [value, shown] :
         {std::pair(0.99f, 0), std::pair(105.5f, 101), std::pair(66.9f, 66),
          std::pair(100.0000076f, 100), std::pair(101.0f, 101)}) {
        working.SetProgress(value, QString::number(shown));
        EXPECT_EQ(working.PBar->value(), shown) << value;
        EXPECT_FLOAT_EQ(working.BarValue(), value);
        EXPECT_EQ(working.percent->text(), QString::number(shown));
    }
    working.show();
    QTest::keyClick(&working, Qt::Key_Escape);
    EXPECT_FALSE(working.close());
    EXPECT_TRUE(working.isVisible());
    working.Finish();
    EXPECT_FALSE(working.isVisible());
}

TEST(WindowsTest, AboutNamesTheProgramItsVersionAndItsAuthorsUntilOk) {
    frmMain main;
    frmAbout about(&main);
    about.show();
    about.grab().save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR "/frmAbout.png"));
    EXPECT_TRUE(QRegularExpression(u"^Echo Delve v\\d+\\.\\d+ Revision \\d+$"_s)
                    .match(about.Label3->text() + u" "_s + about.Label4->text() + u" "_s +
                           about.Label5->text())
                    .hasMatch());
    EXPECT_FALSE(about.Image1->pixmap().isNull());
    EXPECT_TRUE(about.windowTitle().isEmpty());  // only the main window answers to the name
    for (const QLabel* centred : {about.Label1, about.Label2}) {
        EXPECT_EQ(centred->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_LE(centred->sizeHint().width(), centred->width());
    }
    about.Command1->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace echodelve::ui
