#pragma once

#include <QColor>

namespace echodelve::ui {

inline const QColor kPanelGrey(84, 84, 84);
inline const QColor kTextSilver(192, 192, 192);
inline const QColor kTitleGrey(224, 224, 224);
// Frame lines and stripes.
inline const QColor kLineColour(0, 0, 0);

}  // namespace echodelve::ui
