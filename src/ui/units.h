#pragma once

#include <QRect>
#include <cmath>

// Layout figures are kept in the units the windows are designed in and
// converted to device-independent pixels here only.
namespace echodelve::ui {

inline constexpr double kTwipsPerPixel = 15.0;
// The main window's own units for its direct children.
inline constexpr double kMainUnitTwipsX = 17.09246826171875;
inline constexpr double kMainUnitTwipsY = 15.0;

inline int Px(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// Edges are rounded, not the size, so neighbouring controls meet where designed.
inline QRect TwipsRect(double left, double top, double width, double height) {
    return {QPoint(Px(left), Px(top)), QPoint(Px(left + width) - 1, Px(top + height) - 1)};
}

inline double MainUnitsToPixelsX(double units) {
    return units * kMainUnitTwipsX / kTwipsPerPixel;
}
inline double MainUnitsToPixelsY(double units) {
    return units * kMainUnitTwipsY / kTwipsPerPixel;
}
inline double PixelsToMainUnitsX(double pixels) {
    return pixels * kTwipsPerPixel / kMainUnitTwipsX;
}
inline double PixelsToMainUnitsY(double pixels) {
    return pixels * kTwipsPerPixel / kMainUnitTwipsY;
}

}  // namespace echodelve::ui
