#pragma once

#include <QString>
#include <initializer_list>
#include <variant>

namespace ui {

using FormatArg = std::variant<long long, double, QString>;

// printf-style filling of a language text ("%d", "%.2d", "%02d", "%.3f", "%s", "%%").
// Language files are user-editable, so the format is never handed to printf: arguments are
// taken in order and converted to the conversion's type, a missing argument gives an empty
// text, and an unknown conversion stays as it stands.
QString FormatText(const QString& format, std::initializer_list<FormatArg> args);

} // namespace ui
