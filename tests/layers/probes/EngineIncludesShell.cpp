// Must not compile: the engine binding sits below the shell.
#include "app/Shell.h"

int ProbeEngineIncludesShell() {
    return sizeof(app::Shell);
}
