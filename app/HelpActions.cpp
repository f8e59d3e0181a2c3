#include "app/HelpActions.h"

#include "core/ProductInfo.h"
#include "core/globals.h"
#include "ui/Prompts.h"

namespace app {

QString HelpFilePath() {
    return QString::fromStdString(globals::ProgramDir) + QStringLiteral("help/index.html");
}

QString UpdaterPath() {
    return QString::fromStdString(globals::ProgramDir) + QStringLiteral("updater");
}

void OpenHelpContent() {
    ui::Prompts().ShellOpen(HelpFilePath());
}

void OpenOnlineResources() {
    ui::Prompts().ShellOpen(QString::fromLatin1(core::product::OnlineResources));
}

void WriteToTechnicalSupport() {
    ui::Prompts().ShellOpen(QStringLiteral("mailto:") +
                            QString::fromLatin1(core::product::SupportAddress));
}

void CheckForUpdate() {
    const QString exe = QString::fromStdString(globals::ExecutableFile().filename().string());
    ui::Prompts().StartProgram(UpdaterPath(), exe);
}

} // namespace app
