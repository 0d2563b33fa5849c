// frmMain's own chrome in place of a system title bar: the title row drags the
// window, and the label buttons shift 40 twips right and down while pressed.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QShortcut>
#include <QWindow>
#include <cmath>

#include "ui/frm_main.h"
#include "ui/units.h"

namespace echodelve::ui {

namespace {

constexpr double kPressedOffsetTwips = 40;

}  // namespace

void frmMain::title_MouseDown(Qt::MouseButton /*button*/, QPointF position) {
    // Where the platform does not let a program place its windows, its own move serves.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        return;
    }
    Dragging = true;
    DownX = PixelsToMainUnitsX(position.x());
    DownY = PixelsToMainUnitsY(position.y());
}

void frmMain::title_MouseMove(Qt::MouseButtons /*buttons*/, QPointF position) {
    if (!Dragging) {
        return;
    }
    // The same physical distance as the pointer moved, so the pressed point
    // stays under it.
    const double dx = MainUnitsToPixelsX(PixelsToMainUnitsX(position.x()) - DownX);
    const double dy = MainUnitsToPixelsY(PixelsToMainUnitsY(position.y()) - DownY);
    move(pos() + QPoint(static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy))));
    QCoreApplication::processEvents();
}

void frmMain::title_MouseUp(Qt::MouseButton /*button*/, QPointF /*position*/) {
    Dragging = false;
}

QPointF frmMain::RestPosition(const ClickLabel* label) {
    const QString caption = label->Caption();
    if (caption == QLatin1String("&OK")) {
        return {3480, 3660};
    }
    if (caption == QLatin1String("&Cancel")) {
        return {3870, 3660};
    }
    return {3450, 3630};  // "&Stop Sound"
}

void frmMain::LabelButton_MouseDown(ClickLabel* label) {
    const QPointF at = label->TwipsPos();
    label->MoveTwips(at.x() + kPressedOffsetTwips, at.y() + kPressedOffsetTwips);
}

void frmMain::LabelButton_MouseUp(ClickLabel* label) {
    const QPointF rest = RestPosition(label);
    label->MoveTwips(rest.x(), rest.y());
    QCoreApplication::processEvents();
}

bool frmMain::TakesInputWhileBusy(const QObject* receiver) const {
    return receiver == title || receiver == mnulabel || receiver == Label2 || receiver == Label3;
}

void frmMain::ConnectChrome() {
    connect(title, &ClickLabel::MouseDown, this, &frmMain::title_MouseDown);
    connect(title, &ClickLabel::MouseMove, this, &frmMain::title_MouseMove);
    connect(title, &ClickLabel::MouseUp, this, &frmMain::title_MouseUp);
    for (ClickLabel* label : {Label1, Label4, Label5}) {
        connect(label, &ClickLabel::MouseDown, this,
                [this, label] { LabelButton_MouseDown(label); });
        // The release comes before the click, so a button is back at rest when it acts.
        connect(label, &ClickLabel::MouseUp, this, [this, label] { LabelButton_MouseUp(label); });
        // The underlined letter works from the keyboard (Alt+O, Alt+C, Alt+S)
        // while the button's panel is in view and no slide runs.
        auto* key = new QShortcut(QKeySequence::mnemonic(label->Caption()), this);
        connect(key, &QShortcut::activated, this, [this, label] {
            const auto* panel = static_cast<const Panel*>(label->parentWidget());
            if (!Swishing && !procedureRunning_ && panel->LeftUnits() <= kPanelIn) {
                emit label->Click();
            }
        });
    }
}

}  // namespace echodelve::ui
