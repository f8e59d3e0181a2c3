#pragma once

#include <QString>

#include <initializer_list>
#include <span>
#include <variant>

namespace ui {

using FormatArg = std::variant<long long, double, QString>;

// printf-style filling of a language text. Language files are user-editable, so the format is
// data that must never decide how the arguments are read: each placeholder takes the next
// argument and converts it to what the placeholder asks for (a text that is no number shows as
// text); a placeholder without an argument stays as it stands; widths and precisions are capped.
// Understands %d %i %u %s %f %e %g %x %X %c and %%, with the flags "-+ 0#", a width and a
// precision (as in "%.2d", "%8d", "%02d", "%.3f").
QString FormatText(const QString& format, std::span<const FormatArg> args);
QString FormatText(const QString& format, std::initializer_list<FormatArg> args);

} // namespace ui
