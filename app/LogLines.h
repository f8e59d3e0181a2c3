#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

class QPlainTextEdit;

namespace app {

// One log line: local date and time, "->", a tab, the text.
QString FormatLogLine(const QString& text, const QDateTime& when);

// The memo's lines as a list (an empty memo has none; a final line break adds no line).
QStringList MemoLines(const QPlainTextEdit* memo);

// Appends one formatted line when enabled and the text is not empty.
void AddLogLine(QPlainTextEdit* memo, bool enabled, const QString& text);

// Appends the lines from index `savedCount` on to the file (created when missing), each ended
// by CR LF, and advances the count. Nothing happens when there is nothing new. On failure the
// count stays and the file system's error text is returned.
std::optional<QString> SaveLogLines(const QPlainTextEdit* memo, int& savedCount,
                                    const std::string& path);

} // namespace app
