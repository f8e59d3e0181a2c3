#pragma once

#include "discengine/VirtualStore.h"

namespace discengine::data {

// Loads drive `letter` with the sample data CD: a few folders and files in ISO9660 + Joliet +
// UDF, label "SAMPLE DATA", written by the engine's own image writer.
void InsertSampleDataDisc(const VirtualStore& store, char letter);

} // namespace discengine::data
