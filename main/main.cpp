#include "app/MainWindows.h"
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::RunStartup();
    QApplication::setApplicationName(QStringLiteral("Platterly"));
    QApplication::setApplicationDisplayName(QStringLiteral("Platterly"));

    auto windows = app::CreateMainWindows();
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
