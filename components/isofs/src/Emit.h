#pragma once

// Builders of the on-disc structures of a plan; each returns whole 2048-byte blocks.

#include "Plan.h"

#include <vector>

namespace isofs::detail {

using Blocks = std::vector<std::uint8_t>;

// ISO9660 and Joliet.
Blocks isoVolumeDescriptor(const PlanData& d, bool joliet);
Blocks isoTerminator();
Blocks isoPathTable(const PlanData& d, bool joliet, bool bigEndian);
Blocks isoDirectory(const PlanData& d, std::uint32_t node, bool joliet);

// UDF 1.02.
Blocks udfRecognition(); // BEA01, NSR02, TEA01
Blocks udfVolumeSequence(const PlanData& d, std::uint32_t at);
Blocks udfIntegrity(const PlanData& d);
Blocks udfAnchor(const PlanData& d, std::uint32_t at);
Blocks udfFileSet(const PlanData& d);
Blocks udfDirectory(const PlanData& d, std::uint32_t node); // File Entry and identifiers
// Into block, 2048 zeroed bytes: one per file, so the writer builds them in place.
void udfFileEntry(const PlanData& d, std::uint32_t node, std::uint8_t* block);

} // namespace isofs::detail
