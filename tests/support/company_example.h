// The company export shipped in examples/company/: a belt conveyor of a made-up maker, its BOM
// format file, and the product it was rendered from.
#pragma once

#include "support/bom_product.h"
#include "support/format_render.h"

namespace trelk::testing {

// Part numbers, descriptions, materials, masses (kg) and costs (EUR) for every model; an
// assembly's mass and cost are those of everything in it, as the CAD system's mass properties give.
Product conveyorProduct();
// Its revision B (examples/company/conveyor-rev-b.bom.1): two materials, a mass and a description
// of parts changed, and with the mass the masses of the assemblies above.
Product conveyorRevisionB();

// How examples/company/conveyor.bom.1 was rendered from examples/company/brenner-lund.fmt: English
// words, CR LF, with the byte-order mark, as the Windows releases write.
RenderOptions conveyorOptions();

}  // namespace trelk::testing
