// The runs stand on top: they may use every step.
#include "engine/writing/outputs.h"
#include "engine/reading/bom_structure.h"
