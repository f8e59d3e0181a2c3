#include "write/FileFacts.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString LocalDateTimeText(const QDateTime& when) {
    const QLocale locale;
    const QDateTime local = when.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + ' ' +
           locale.toString(local.time(), QLocale::LongFormat);
}

QString FileDateText(const QString& path, const QString& unchanged) {
    const QFileInfo info(path);
    if (!info.exists())
        return unchanged;
    const QDateTime born = info.birthTime();
    return LocalDateTimeText(born.isValid() ? born : info.lastModified());
}

std::int64_t FileSizeOf(const QString& path) {
    // Non-blocking, so that a FIFO in the file's place cannot hang the window.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    ::close(fd);
    return known ? static_cast<std::int64_t>(st.st_size) : -1;
}
