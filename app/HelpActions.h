#pragma once

#include <QString>

// The Help group's actions. Every failure is silent: a missing help file, browser, mail program
// or updater leaves the program as it was.
namespace app {

QString HelpFilePath(); // ProgramDir + "help/index.html"
QString UpdaterPath();  // ProgramDir + "updater"

void OpenHelpContent();
void OpenOnlineResources();
void WriteToTechnicalSupport();
// Starts the updater with the running executable's file name (no folder) as its one argument.
void CheckForUpdate();

} // namespace app
