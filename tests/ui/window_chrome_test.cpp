#include <gtest/gtest.h>

#include <QTest>

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

}  // namespace
}  // namespace echodelve::ui
