// The multi-level BOM built from the structure (engine/results/assembly_tree.h): every item line
// reached from the main assembly, depth first in file order, each sub-assembly expanded once.
#pragma once

#include <string_view>

#include "engine/reading/bom_structure.h"
#include "engine/request/run_request.h"
#include "engine/results/assembly_tree.h"
#include "engine/rollup/rollup.h"

namespace trelk {

// The tree below the main assembly; empty when the file has none or its block is missing. Path
// quantities beyond the 64-bit range are logged and shown at the nearest end of it.
AssemblyTree buildAssemblyTree(const BomStructure& bom, Tally multiplier, const LogSink& log);

namespace messages {
inline constexpr std::string_view kPathQuantityOutOfRange = "Path quantity out of range: abnormal error! - ";
}  // namespace messages

}  // namespace trelk
