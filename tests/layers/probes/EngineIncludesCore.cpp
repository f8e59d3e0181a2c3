// Compiles: the control probe, a downward include the same way the others try upward ones.
#include "core/MultiLanguages.h"

int ProbeEngineIncludesCore() {
    return static_cast<int>(MultiLanguages::Text(IDS_MSG_Error).size());
}
