#include "app/MultiLanguages.h"
#include "app/Startup.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::RunStartup();
    QApplication::setApplicationName(QStringLiteral("Platterly"));
    QApplication::setApplicationDisplayName(QStringLiteral("Platterly"));

    QMainWindow window;
    window.setObjectName(QStringLiteral("frmMain"));
    window.setWindowTitle(MultiLanguages::Text(IDS_MAIN_TITLE));
    window.setFixedSize(692, 579);
    window.show();
    const int rc = application.exec();
    app::RunShutdown();
    return rc;
}
