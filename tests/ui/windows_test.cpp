#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "ui/frm_about.h"
#include "ui/frm_main.h"
#include "ui/frm_menus.h"
#include "ui/frm_working.h"
#include "ui/units.h"

namespace echodelve::ui {
namespace {

using namespace Qt::StringLiterals;

bool IsGrey(QRgb pixel) {
    return QColor(pixel) == QColor(84, 84, 84);
}

// What a person sees at start: the title row with its glyphs, the stripes, the
// picture, and neither panel. The grab is kept for people to look at.
TEST(WindowsTest, MainWindowAtStartShowsOnlyTheTitleRowAndStripes) {
    frmMain main;
    main.show();
    const QImage grab = main.grab().toImage();
    const QString artifacts = QStringLiteral(ECHODELVE_ARTIFACTS_DIR);
    QDir().mkpath(artifacts);
    grab.save(artifacts + QStringLiteral("/frmMain-start.png"));

    EXPECT_EQ(main.size(), QSize(352, 332));
    EXPECT_TRUE(main.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Echo Delve"));
    for (const Panel* panel : {main.MainPicBox(), main.BrowseDlg()}) {
        EXPECT_DOUBLE_EQ(panel->LeftUnits(), 350);
        EXPECT_GE(panel->x(), main.width());
        EXPECT_EQ(panel->y(), 34);
    }
    EXPECT_EQ(main.Port()->topLevelItemCount(), 0);
    EXPECT_EQ(main.Status()->text(), QString());

    // Stripes: a line every other pixel row from y 16 to y 314, across the window.
    for (int y : {16, 100, 200, 314}) {
        EXPECT_EQ(QColor(grab.pixel(200, y)), QColor(0, 0, 0)) << y;
        EXPECT_TRUE(IsGrey(grab.pixel(200, y + 1))) << y;
    }
    // The title is drawn in light grey somewhere in the centre of the top row.
    int titlePixels = 0;
    for (int x = 120; x < 230; ++x) {
        for (int y = 0; y < 15; ++y) {
            titlePixels += QColor(grab.pixel(x, y)).lightness() > 150;
        }
    }
    EXPECT_GT(titlePixels, 40);
    // Each glyph leaves silver pixels in its box; the picture is not plain grey.
    for (const GlyphLabel* glyph : {main.mnulabel(), main.Label3(), main.Label2()}) {
        int lit = 0;
        const QRect box = glyph->geometry();
        for (int x = box.left(); x <= box.right(); ++x) {
            for (int y = box.top(); y <= box.bottom(); ++y) {
                lit += QColor(grab.pixel(x, y)).lightness() > 150;
            }
        }
        EXPECT_GT(lit, 3) << box.x();
    }
    EXPECT_FALSE(IsGrey(grab.pixel(32, 30)) && IsGrey(grab.pixel(20, 40)) &&
                 IsGrey(grab.pixel(40, 25)));
}

TEST(WindowsTest, PanelsKeepExactUnitsAndSlideIntoView) {
    frmMain main;
    main.MainPicBox()->SetLeftUnits(19.4);
    EXPECT_DOUBLE_EQ(main.MainPicBox()->LeftUnits(), 19.4);
    EXPECT_EQ(main.MainPicBox()->x(), 22);  // 19.4 units of 17.09 twips
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.MainPicBox()->setGeometry(main.MainPicBox()->geometry());
    main.show();
    const QImage grab = main.grab().toImage();
    grab.save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR) + QStringLiteral("/frmMain-list.png"));
    EXPECT_EQ(main.MainPicBox()->geometry(), QRect(23, 34, 304, 261));
    EXPECT_TRUE(IsGrey(grab.pixel(23 + 150, 34 + 5)));  // the panel covers the stripes
    EXPECT_EQ(main.Port()->geometry(), TwipsRect(150, 420, 4195, 3135));
    EXPECT_EQ(main.Port()->columnWidth(0), 180);
    EXPECT_TRUE(main.Port()->isHeaderHidden());
}

TEST(WindowsTest, MenusHoldTheirItemsInOrder) {
    frmMenus menus;
    QStringList main;
    for (const QAction* action : menus.mnuMain->actions()) {
        main << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(main, (QStringList{u"&SFX Open"_s, u"&WAD Open"_s, u"-"_s, u"Sa&ve"_s, u"Save A&ll"_s,
                                 u"-"_s, u"A&bout"_s, u"-"_s, u"E&xit"_s}));
    EXPECT_EQ(menus.mnuMain->actions()[5]->objectName(), QStringLiteral("dash3"));
    ASSERT_EQ(menus.mnuDirControl->actions().size(), 1);
    EXPECT_EQ(menus.mnuCreateFolder->text(), QStringLiteral("&Create Folder"));
}

TEST(WindowsTest, ProgressAndAboutWindowsStartAsDesigned) {
    frmMain main;
    frmWorking working(&main);
    EXPECT_EQ(working.percent->text(), QStringLiteral("0%"));
    EXPECT_EQ(working.PBar->maximum(), 101);
    EXPECT_EQ(working.PBar->value(), 0);
    EXPECT_FALSE(working.isModal());
    working.SetBarValue(100.0000076f);
    EXPECT_EQ(working.PBar->value(), 100);
    EXPECT_FLOAT_EQ(working.BarValue(), 100.0000076f);

    // Only its run takes it away: not Escape, not a close request.
    working.show();
    QTest::keyClick(&working, Qt::Key_Escape);
    EXPECT_TRUE(working.isVisible());
    EXPECT_FALSE(working.close());
    EXPECT_TRUE(working.isVisible());
    working.Finish();
    EXPECT_FALSE(working.isVisible());

    frmAbout about(&main);
    about.show();
    EXPECT_EQ(about.Label4->text(), QStringLiteral("v2.2"));
    EXPECT_EQ(about.Label5->text(), QStringLiteral("Revision 9"));
    EXPECT_EQ(about.Command1->text(), QStringLiteral("OK"));
    EXPECT_FALSE(about.Image1->pixmap().isNull());
    // Only the main window answers to the program's title.
    EXPECT_TRUE(about.windowTitle().isEmpty());
    // The author and contact lines are centred in their own rectangles.
    EXPECT_EQ(about.Label1->geometry(), TwipsRect(720, 1080, 3075, 195));
    EXPECT_EQ(about.Label2->geometry(), TwipsRect(945, 1680, 2595, 390));
    EXPECT_EQ(about.Label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    about.grab().save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR) + QStringLiteral("/frmAbout.png"));
}

}  // namespace
}  // namespace echodelve::ui
