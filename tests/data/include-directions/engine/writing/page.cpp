// A writer may use the types that the steps below it hand on...
#include "engine/results/analysis.h"
#include "../results/comparison.h"
// ...but not the run that calls it.
#include "engine/runs/processing_run.h"
