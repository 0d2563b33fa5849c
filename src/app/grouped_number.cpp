#include "app/grouped_number.h"

namespace echodelve::app {

QString GroupedNumber(qint64 value, const QLocale& locale) {
    if (value == 0) {
        return {};
    }
    const QString digits =
        QString::number(value < 0 ? -static_cast<quint64>(value) : static_cast<quint64>(value));
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += locale.groupSeparator();
        }
        grouped += digits[i];
    }
    return value < 0 ? QStringLiteral("-") + grouped : grouped;
}

}  // namespace echodelve::app
