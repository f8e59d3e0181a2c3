#include "core/Startup.h"
#include "core/globals.h"
#include "main/MainWindows.h"
#include "main/TerminationRequests.h"

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
    // Asked to close from outside (the updater): closes like the user's close, without the
    // question, unless a disc job runs; the options are saved by FormDestroy below.
    TerminationRequests termination([&windows] { windows->main->CloseOnRequest(); });
    const int rc = application.exec();
    windows->main->FormDestroy();
    return rc;
}
