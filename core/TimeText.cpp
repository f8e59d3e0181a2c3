#include "core/TimeText.h"

#include <cmath>

namespace core {

QString SecondsToTimeText(long long seconds) {
    if (seconds < 0)
        seconds = 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

long long RemainingSeconds(long long elapsedSeconds, int percent) {
    if (percent < 0 || percent > 100)
        return -1;
    if (percent == 0)
        return 0;
    const double estimate = double(elapsedSeconds) / percent * (100 - percent);
    return static_cast<long long>(std::ceil(estimate - 1e-9));
}

} // namespace core
