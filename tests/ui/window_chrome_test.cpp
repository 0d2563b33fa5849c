#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
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

// Held down, a label button shows pressed, 40 twips right and down; let go,
// it is back at its rest, and a left button let go over it clicks it.
TEST(WindowChromeTest, LabelButtonsShowPressedAndClickOnALeftReleaseOverThem) {
    frmMain main;
    main.BrowseDlg()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.show();
    const struct {
        Qt::MouseButton button;
        QPoint release;  // from where the press was
        int clicks;
    } presses[] = {{Qt::LeftButton, {0, 0}, 1},
                   {Qt::RightButton, {0, 0}, 0},
                   {Qt::LeftButton, {-200, 0}, 0},
                   {Qt::LeftButton, {0, 100}, 0}};
    for (LabelButton* label : {main.Label1(), main.Label4(), main.Label5()}) {
        const QPointF rest = label->RestPosition();
        EXPECT_EQ(label->TwipsPos(), rest);
        for (const auto& p : presses) {
            QSignalSpy clicks(label, &ClickLabel::Click);
            QTest::mousePress(label, p.button, {}, QPoint(2, 2));
            EXPECT_EQ(label->TwipsPos(), rest + QPointF(40, 40));
            EXPECT_EQ(label->pos(), QPointF((rest + QPointF(40, 40)) / 15).toPoint());
            QTest::mouseRelease(label, p.button, {}, QPoint(2, 2) + p.release);
            EXPECT_EQ(label->TwipsPos(), rest);
            EXPECT_EQ(clicks.count(), p.clicks) << label->Caption().toStdString();
        }
    }
    // The rest is fixed, not wherever the label was before the press.
    main.Label1()->MoveTwips(0, 0);
    QTest::mouseClick(main.Label1(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(main.Label1()->TwipsPos(), main.Label1()->RestPosition());
}

// At a scale such as 1.5 the background's stripes stay one even run of
// device pixels each, evenly spaced (no moire), and the list's frame keeps
// its sides; at 1 and 2 they are the exact scaling of the design.
TEST(WindowChromeTest, StripesAndFramesKeepTheirShapeAtEveryScale) {
    frmMain main;
    main.MainPicBox()->SetLeftUnits(BrowsePanel::kPanelIn);
    main.show();
    const QRect list = main.Port()->geometry().translated(main.MainPicBox()->pos());
    for (const double scale : {1.0, 1.5, 2.0}) {
        QImage image((QSizeF(main.size()) * scale).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        main.render(&image);
        // In a column left of the panels only the stripes are drawn: runs of
        // two lengths, one of stripe and one of gap, the cut ends aside.
        std::vector<std::pair<bool, int>> runs;
        for (int y = static_cast<int>(70 * scale); y < static_cast<int>(280 * scale); ++y) {
            const bool stripe = image.pixelColor(static_cast<int>(2 * scale), y) == kLineColour;
            if (runs.empty() || stripe != runs.back().first) {
                runs.emplace_back(stripe, 0);
            }
            ++runs.back().second;
        }
        ASSERT_GT(runs.size(), 20u) << scale;
        EXPECT_EQ(std::set(runs.begin() + 1, runs.end() - 1).size(), 2u) << scale;
        // A line of the frame's colour within a few pixels outside the left,
        // right and bottom sides of the list.
        const std::pair<QPoint, QPoint> sides[] = {
            {{list.left() - 2, list.center().y()}, {1, 0}},
            {{list.right() + 1, list.center().y()}, {1, 0}},
            {{list.center().x(), list.bottom() + 1}, {0, 1}}};
        for (const auto& [from, step] : sides) {
            bool line = false;
            for (int i = 0; i < 3 * static_cast<int>(std::ceil(scale)); ++i) {
                line = line ||
                       image.pixelColor((QPointF(from) * scale + QPointF(step * i)).toPoint()) ==
                           kLineColour;
            }
            EXPECT_TRUE(line) << scale << " at " << from.x() << "," << from.y();
        }
    }
}

}  // namespace
}  // namespace echodelve::ui
