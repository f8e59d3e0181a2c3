// Must not compile: a component knows nothing of the program.
#include "core/globals.h"

int ProbeComponentIncludesCore() {
    return static_cast<int>(globals::ProgramDir.size());
}
