#include "ui/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// A language text asking for "%999999999d" must not make us allocate a gigabyte.
constexpr int MaxWidth = 256;

struct Spec {
    QString flags;
    int width = -1;
    int precision = -1;
    QChar conversion;
};

long long AsInteger(const FormatArg& arg) {
    if (const auto* i = std::get_if<long long>(&arg))
        return *i;
    if (const auto* d = std::get_if<double>(&arg)) {
        if (!std::isfinite(*d))
            return 0;
        return static_cast<long long>(std::clamp(*d, -9.0e18, 9.0e18));
    }
    bool ok = false;
    const long long value = std::get<QString>(arg).trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

double AsDouble(const FormatArg& arg) {
    if (const auto* d = std::get_if<double>(&arg))
        return *d;
    if (const auto* i = std::get_if<long long>(&arg))
        return static_cast<double>(*i);
    bool ok = false;
    const double value = std::get<QString>(arg).trimmed().toDouble(&ok);
    return ok ? value : 0.0;
}

QString AsText(const FormatArg& arg) {
    if (const auto* s = std::get_if<QString>(&arg))
        return *s;
    if (const auto* i = std::get_if<long long>(&arg))
        return QString::number(*i);
    return QString::number(std::get<double>(arg));
}

QString PadTo(const QString& text, const Spec& spec) {
    if (spec.width <= text.size())
        return text;
    const bool left = spec.flags.contains(u'-');
    return left ? text.leftJustified(spec.width) : text.rightJustified(spec.width);
}

// The numeric cases go through asprintf with a directive we built ourselves from validated
// parts, and with an argument of exactly the type the directive reads.
QString Directive(const Spec& spec, const char* lengthAndConversion) {
    QString d = QStringLiteral("%") + spec.flags;
    if (spec.width >= 0)
        d += QString::number(spec.width);
    if (spec.precision >= 0)
        d += u'.' + QString::number(spec.precision);
    return d + QString::fromLatin1(lengthAndConversion);
}

QString Convert(const Spec& spec, const FormatArg& arg) {
    const char c = spec.conversion.toLatin1();
    // A number placeholder given a text that is no number shows the text rather than a 0.
    if (const auto* text = std::get_if<QString>(&arg); text && c != 's' && c != 'c') {
        bool ok = false;
        text->trimmed().toDouble(&ok);
        if (!ok)
            return PadTo(*text, spec);
    }
    switch (c) {
    case 'd':
    case 'i':
        return QString::asprintf(Directive(spec, "lld").toLatin1().constData(), AsInteger(arg));
    case 'u':
        return QString::asprintf(Directive(spec, "llu").toLatin1().constData(),
                                 static_cast<unsigned long long>(AsInteger(arg)));
    case 'x':
    case 'X': {
        const char conv[] = {'l', 'l', c, '\0'};
        return QString::asprintf(Directive(spec, conv).toLatin1().constData(),
                                 static_cast<unsigned long long>(AsInteger(arg)));
    }
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G': {
        const char conv[] = {c, '\0'};
        return QString::asprintf(Directive(spec, conv).toLatin1().constData(), AsDouble(arg));
    }
    case 'c': {
        if (std::holds_alternative<QString>(arg))
            return PadTo(std::get<QString>(arg).left(1), spec);
        return PadTo(QString(QChar(static_cast<char16_t>(AsInteger(arg) & 0xFFFF))), spec);
    }
    default: { // 's'
        QString text = AsText(arg);
        if (spec.precision >= 0)
            text.truncate(spec.precision);
        return PadTo(text, spec);
    }
    }
}

bool IsConversion(QChar ch) {
    return QStringLiteral("diuxXfFeEgGsc").contains(ch);
}

// Reads digits at `pos`; the value is capped so an absurd number stays harmless.
int ReadNumber(const QString& format, qsizetype& pos) {
    int value = 0;
    while (pos < format.size() && format[pos].isDigit()) {
        value = std::min(MaxWidth, value * 10 + format[pos].digitValue());
        ++pos;
    }
    return value;
}

} // namespace

QString FormatText(const QString& format, std::span<const FormatArg> args) {
    QString out;
    std::size_t next = 0;
    qsizetype pos = 0;
    while (pos < format.size()) {
        const QChar ch = format[pos];
        if (ch != u'%') {
            out += ch;
            ++pos;
            continue;
        }
        if (pos + 1 < format.size() && format[pos + 1] == u'%') {
            out += u'%';
            pos += 2;
            continue;
        }
        const qsizetype start = pos++;
        Spec spec;
        while (pos < format.size() && QStringLiteral("-+ 0#").contains(format[pos]))
            spec.flags += format[pos++];
        if (pos < format.size() && format[pos].isDigit())
            spec.width = ReadNumber(format, pos);
        if (pos < format.size() && format[pos] == u'.') {
            ++pos;
            spec.precision = ReadNumber(format, pos);
        }
        // Length modifiers say nothing here: the argument's own type is known.
        while (pos < format.size() && QStringLiteral("hlLqjzt").contains(format[pos]))
            ++pos;
        if (pos >= format.size() || !IsConversion(format[pos]) || next >= args.size()) {
            // Not a placeholder we can fill: show it as it stands.
            const qsizetype end = pos < format.size() && IsConversion(format[pos]) ? pos + 1 : pos;
            out += format.mid(start, end - start);
            pos = end;
            continue;
        }
        spec.conversion = format[pos++];
        out += Convert(spec, args[next++]);
    }
    return out;
}

QString FormatText(const QString& format, std::initializer_list<FormatArg> args) {
    return FormatText(format, std::span<const FormatArg>(args.begin(), args.size()));
}

} // namespace ui
