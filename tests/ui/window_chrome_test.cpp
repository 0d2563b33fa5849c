#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <cmath>
#include <set>

#include "ui/colours.h"

#include "ui/frm_main.h"

namespace echodelve::ui {
namespace {

TEST(WindowChromeTest, DraggingTheTitleKeepsThePressedPointUnderThePointer) {
    frmMain main;
    main.move(100, 100);
    main.show();
    QTest::mousePress(main.title(), Qt::RightButton, {}, QPoint(150, 5));
    EXPECT_TRUE(main.Dragging());
    QTest::mouseMove(main.title(), QPoint(180, 15));
    EXPECT_EQ(main.pos(), QPoint(130, 110));
    QTest::mouseMove(main.title(), QPoint(140, 5));  // relative to the title's new place
    EXPECT_EQ(main.pos(), QPoint(120, 110));
    QTest::mouseRelease(main.title(), Qt::RightButton, {}, QPoint(140, 5));
    EXPECT_FALSE(main.Dragging());
    main.title_MouseMove(Qt::NoButton, QPointF(190, 10));
    EXPECT_EQ(main.pos(), QPoint(120, 110));
}

TEST(WindowChromeTest, LabelButtonsShiftWhilePressedAndReturnToTheirRest) {
    frmMain main;
    main.show();
    const std::vector<std::pair<ClickLabel*, QPointF>> buttons = {{main.Label1(), {3480, 3660}},
                                                                  {main.Label4(), {3870, 3660}},
                                                                  {main.Label5(), {3450, 3630}}};
    for (const auto& [label, rest] : buttons) {
        EXPECT_EQ(label->TwipsPos(), rest);
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mousePress(label, button, {}, QPoint(2, 2));
            EXPECT_EQ(label->TwipsPos(), rest + QPointF(40, 40));
            EXPECT_EQ(label->pos(),
                      QPoint(qRound((rest.x() + 40) / 15), qRound((rest.y() + 40) / 15)));
            QTest::mouseRelease(label, button, {}, QPoint(2, 2));
            EXPECT_EQ(label->TwipsPos(), rest);
        }
    }
    // The rest is fixed, not wherever the label was before the press.
    main.Label1()->MoveTwips(0, 0);
    QTest::mousePress(main.Label1(), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseRelease(main.Label1(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(main.Label1()->TwipsPos(), QPointF(3480, 3660));
}

TEST(WindowChromeTest, UnderlinedLettersPressTheButtonsOfThePanelInView) {
    frmMain main;
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    int ok = 0;
    int stop = 0;
    QObject::connect(main.Label1(), &ClickLabel::Click, [&ok] { ++ok; });
    QObject::connect(main.Label5(), &ClickLabel::Click, [&stop] { ++stop; });
    QTest::keyClick(&main, Qt::Key_O, Qt::AltModifier);  // both panels out of view
    EXPECT_EQ(ok, 0);
    main.BrowseDlg()->SetLeftUnits(BrowsePanel::kPanelIn);
    QTest::keyClick(&main, Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(&main, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(stop, 0);
}

// At a scale such as 1.5 the background's stripes stay one even run of
// device pixels each, evenly spaced (no moire), and the list's frame keeps
// all four sides; at 1 and 2 they are the exact scaling of the design.
TEST(WindowChromeTest, StripesAndFramesKeepTheirShapeAtEveryScale) {
    frmMain main;
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.show();
    for (const double scale : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        QImage image((QSizeF(main.size()) * scale).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        main.render(&image);
        // A column left of the panels, where only the stripes are drawn.
        const int x = static_cast<int>(2 * scale);
        std::vector<std::pair<bool, int>> runs;  // stripe or gap, and its length
        for (int y = static_cast<int>(70 * scale); y < static_cast<int>(280 * scale); ++y) {
            const bool stripe = image.pixelColor(x, y) == kLineColour;
            if (runs.empty() || stripe != runs.back().first) {
                runs.emplace_back(stripe, 0);
            }
            ++runs.back().second;
        }
        ASSERT_GT(runs.size(), 20u);
        std::set<std::pair<bool, int>> shapes(runs.begin() + 1, runs.end() - 1);  // ends cut
        EXPECT_EQ(shapes.size(), 2u) << "stripes of uneven width or spacing";

        // The list's frame: a line of the frame colour just outside each side.
        const QRect list = main.Port()->geometry().translated(main.MainPicBox()->pos());
        const auto lineNear = [&](QPoint from, QPoint step) {
            QPointF at = QPointF(from) * scale;
            for (int i = 0; i < 3 * static_cast<int>(std::ceil(scale)); ++i, at += QPointF(step)) {
                if (image.pixelColor(at.toPoint()) == kLineColour) {
                    return true;
                }
            }
            return false;
        };
        const QPoint middle = list.center();
        EXPECT_TRUE(lineNear({list.left() - 2, middle.y()}, {1, 0})) << "left side";
        EXPECT_TRUE(lineNear({list.right() + 1, middle.y()}, {1, 0})) << "right side";
        EXPECT_TRUE(lineNear({middle.x(), list.bottom() + 1}, {0, 1})) << "bottom side";
    }
}

}  // namespace
}  // namespace echodelve::ui
