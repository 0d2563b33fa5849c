#pragma once

#include <QLocale>
#include <QString>

namespace echodelve::app {

// A whole number with its digits grouped in threes by the locale's group
// separator ("1,234,567"), and the empty text for 0.
QString GroupedNumber(qint64 value, const QLocale& locale = QLocale::system());

}  // namespace echodelve::app
