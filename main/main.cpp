#include "core/Startup.h"
#include "core/globals.h"
#include "main/MainWindows.h"

#include <QApplication>
#include <QIcon>

#include <utility>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    core::RunStartup();
    // No display name: the window system would append it to captions that are the program's own.
    QApplication::setApplicationName(QStringLiteral("Platterly"));
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(globals::SkinsDir) + QStringLiteral("Platterly.png")));

    MainWindowOptions options;
    options.engine.physicalDrives = globals::PhysicalDrives;
    auto windows = app::CreateMainWindows(std::move(options));
    if (!windows->started) {
        // The engine could not start: the exit sequence still runs.
        windows->main->FormDestroy();
        return 1;
    }
    windows->main->show();
    const int rc = application.exec();
    windows->main->FormDestroy();
    return rc;
}
