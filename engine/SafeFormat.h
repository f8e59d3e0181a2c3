#pragma once

#include <QString>

#include <cstdint>
#include <variant>
#include <vector>

// printf-style formatting for texts that come from the language file. The format is data the
// user can edit, so it must never decide how the arguments are read: each placeholder takes the
// next argument and converts it to what the placeholder asks for (a text that is no number shows
// as text); a placeholder without an argument stays as it stands; widths and precisions are
// capped.
namespace engineui {

using FormatArg = std::variant<std::int64_t, double, QString>;

// Understands %d %i %u %s %f %x %X %c and %%, with the flags "-+ 0#", a width and a precision
// (as in "%.2d", "%8d", "%.8d", "%.2f", "%.1f").
QString SafeFormat(const QString& format, const std::vector<FormatArg>& args);

} // namespace engineui
