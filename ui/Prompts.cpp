#include "ui/Prompts.h"

#include "ui/QtPrompts.h"

#include <QRegularExpression>

namespace ui {

namespace {

IPrompts*& Current() {
    static QtPrompts production;
    static IPrompts* current = &production;
    return current;
}

} // namespace

IPrompts& Prompts() {
    return *Current();
}

ScopedPrompts::ScopedPrompts(IPrompts& prompts) : previous_(Current()) {
    Current() = &prompts;
}

ScopedPrompts::~ScopedPrompts() {
    Current() = previous_;
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // The description often repeats its patterns in brackets; Qt adds its own.
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        if (description.isEmpty())
            description = patterns.join(QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    // A lone description without patterns still lets the user pick any file.
    if (parts.size() % 2 == 1 && !parts.back().isEmpty())
        entries << QStringLiteral("%1 (*)").arg(parts.back());
    return entries.join(QStringLiteral(";;"));
}

} // namespace ui
