#include "app/LogLines.h"

#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>

namespace app {

QString FormatLogLine(const QString& text, const QDateTime& when) {
    const QLocale locale = QLocale::system();
    // The regional short date and a long time without the time zone name.
    const QString stamp = locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                          locale.toString(when.time(), QStringLiteral("HH:mm:ss"));
    QString line = text;
    // A status never breaks the one-line-per-entry form of the log.
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return stamp + QStringLiteral("->\t") + line;
}

QStringList MemoLines(const QPlainTextEdit* memo) {
    const QString text = memo->toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.back().isEmpty())
        lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    return lines;
}

void AddLogLine(QPlainTextEdit* memo, bool enabled, const QString& text) {
    if (!enabled || text.isEmpty())
        return;
    memo->appendPlainText(FormatLogLine(text, QDateTime::currentDateTime()));
}

std::optional<QString> SaveLogLines(const QPlainTextEdit* memo, int& savedCount,
                                    const std::string& path) {
    const QStringList lines = MemoLines(memo);
    if (lines.size() <= savedCount)
        return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = std::max(savedCount, 0); i < lines.size(); ++i)
        bytes += lines[i].toUtf8() + "\r\n";
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    savedCount = static_cast<int>(lines.size());
    return std::nullopt;
}

} // namespace app
