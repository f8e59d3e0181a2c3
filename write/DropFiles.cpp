// Files and folders dropped on the page's list or tree join the compilation as the buttons
// would add them.
#include "write/TBurnCDPage.h"

#include <QFileInfo>

void TBurnCDPage::DropPaths(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    if (writeMode_ == IsoMode) {
        // Only one image can be burned: a single .iso file is loaded as Browse loads it.
        if (paths.size() == 1 &&
            QFileInfo(paths.front()).suffix().compare("iso", Qt::CaseInsensitive) == 0)
            LoadIsoFile(paths.front());
        return;
    }
    QStringList files;
    auto flushFiles = [&] {
        if (!files.isEmpty())
            AddFileList(files);
        files.clear();
    };
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        flushFiles();
        if (writeMode_ == AudioMode)
            AddFileList(ListAudioFiles(path));
        else
            AddFolderToCompilation(path);
    }
    flushFiles();
}
