#include "core/ProductInfo.h"
#include "platform/SystemPaths.h"
#include "ui/Prompts.h"
#include "update/Manifest.h"
#include "update/TUpdater.h"
#include "updater/ReleaseKey.h"
#include "updater/TfrmMain.h"
#include "updater/UpdateTexts.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Started without the main program's name: nothing to do, not even a check.
    if (argc < 2 || argv[1][0] == '\0')
        return 0;
    QApplication application(argc, argv);
    const std::filesystem::path programDir = platform::ProgramDir();
    if (const auto error = updater::LoadTexts(programDir)) {
        ui::Prompts().MessageBox(nullptr, QString(), *error, ui::MsgIcon::Error,
                                 ui::MsgButtons::OK);
        return 1;
    }
    const auto key = update::FromHex<32>(updater::ReleasePublicKey);
    if (!key)
        return 1;

    UpdaterSetup setup;
    setup.programDir = (programDir / "").string();
    setup.argument = QString::fromLocal8Bit(argv[1]);
    setup.productName = core::product::Name;
    setup.trustedKey = *key;
    const update::InstallationInfo info = update::ReadInstallationInfo(setup.programDir);
    setup.updateUrl = info.url;
    // The running files are at least the version they were built as.
    setup.installedVersion = core::product::Version;
    const auto order = update::CompareVersions(info.version, core::product::Version);
    if (order && *order > 0)
        setup.installedVersion = info.version;

    TfrmMain window(setup);
    if (!window.FormCreate())
        return 0;
    window.show();
    return application.exec();
}
