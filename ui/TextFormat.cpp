#include "ui/TextFormat.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

namespace {

struct Spec {
    std::string flags;
    int width = -1;
    int precision = -1;
    char conversion = 0;
};

long long AsInteger(const FormatArg& arg) {
    if (const auto* i = std::get_if<long long>(&arg))
        return *i;
    if (const auto* d = std::get_if<double>(&arg))
        return static_cast<long long>(*d);
    return std::get<QString>(arg).trimmed().toLongLong();
}

double AsDouble(const FormatArg& arg) {
    if (const auto* i = std::get_if<long long>(&arg))
        return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&arg))
        return *d;
    return std::get<QString>(arg).trimmed().toDouble();
}

QString AsText(const FormatArg& arg) {
    if (const auto* i = std::get_if<long long>(&arg))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&arg))
        return QString::number(*d);
    return std::get<QString>(arg);
}

// Widths and precisions from a hostile file are capped so one placeholder can't eat memory.
constexpr int kMaxWidth = 256;

QString Number(const Spec& spec, const FormatArg* arg) {
    std::string fmt = "%" + spec.flags;
    if (spec.width >= 0)
        fmt += std::to_string(std::min(spec.width, kMaxWidth));
    if (spec.precision >= 0)
        fmt += "." + std::to_string(std::min(spec.precision, kMaxWidth));
    std::vector<char> buffer(2 * kMaxWidth + 400);
    switch (spec.conversion) {
    case 'd':
    case 'i':
        fmt += "lld";
        std::snprintf(buffer.data(), buffer.size(), fmt.c_str(), arg ? AsInteger(*arg) : 0LL);
        break;
    case 'u':
        fmt += "llu";
        std::snprintf(buffer.data(), buffer.size(), fmt.c_str(),
                      static_cast<unsigned long long>(arg ? AsInteger(*arg) : 0LL));
        break;
    case 'x':
    case 'X':
        fmt += std::string("ll") + spec.conversion;
        std::snprintf(buffer.data(), buffer.size(), fmt.c_str(),
                      static_cast<unsigned long long>(arg ? AsInteger(*arg) : 0LL));
        break;
    default: // f, e, g
        fmt += spec.conversion;
        std::snprintf(buffer.data(), buffer.size(), fmt.c_str(), arg ? AsDouble(*arg) : 0.0);
        break;
    }
    return QString::fromUtf8(buffer.data());
}

QString Text(const Spec& spec, const FormatArg* arg) {
    QString text = arg ? AsText(*arg) : QString();
    if (spec.precision >= 0)
        text.truncate(spec.precision);
    const int width = std::min(spec.width, kMaxWidth);
    if (width > text.size()) {
        const bool left = spec.flags.find('-') != std::string::npos;
        text = left ? text.leftJustified(width) : text.rightJustified(width);
    }
    return text;
}

} // namespace

QString FormatText(const QString& format, std::initializer_list<FormatArg> args) {
    QString out;
    auto next = args.begin();
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (i + 1 < n && format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        Spec spec;
        qsizetype j = i + 1;
        while (j < n && QStringLiteral("-+ 0#").contains(format[j]))
            spec.flags += static_cast<char>(format[j++].unicode());
        auto readNumber = [&](int& value) {
            value = 0;
            while (j < n && format[j].isDigit() && format[j].unicode() < 128) {
                value = std::min(value * 10 + (format[j].unicode() - '0'), 100000);
                ++j;
            }
        };
        if (j < n && format[j].isDigit())
            readNumber(spec.width);
        if (j < n && format[j] == QLatin1Char('.')) {
            ++j;
            readNumber(spec.precision);
        }
        // Length modifiers carry no meaning here.
        while (j < n && QStringLiteral("hlLqjzt").contains(format[j]))
            ++j;
        const char conv = j < n && format[j].unicode() < 128 ? char(format[j].unicode()) : 0;
        if (!conv || std::string_view("diuxXfFeEgGs").find(conv) == std::string_view::npos) {
            out += c; // not a placeholder: keep the text as it stands
            continue;
        }
        spec.conversion = conv;
        const FormatArg* arg = next != args.end() ? &*next++ : nullptr;
        out += conv == 's' ? Text(spec, arg) : Number(spec, arg);
        i = j;
    }
    return out;
}

} // namespace ui
