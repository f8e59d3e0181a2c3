#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// What the data compilation shows of a file on disk before the image has seen it.

// A date and time as the user's locale writes a short date and a long time.
QString LocalDateTimeText(const QDateTime& when);

// The file's creation time (its modification time where the file system records no birth) as
// LocalDateTimeText; `unchanged` when the file is not there.
QString FileDateText(const QString& path, const QString& unchanged = QString());

// The file's size in bytes (64-bit: files over 2 GiB show their real size); -1 when it cannot
// be opened for reading.
std::int64_t FileSizeOf(const QString& path);
