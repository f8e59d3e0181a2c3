#pragma once

#include <QString>

namespace core {

// Seconds as "hh:mm:ss", each part at least two digits; hours are not limited.
QString SecondsToTimeText(long long seconds);

// The remaining-time estimate of the progress window: elapsed / p * (100 - p), rounded up to a
// whole second; 0 at 0 percent. A percent outside 0..100 gives -1 (no estimate).
long long RemainingSeconds(long long elapsedSeconds, int percent);

} // namespace core
