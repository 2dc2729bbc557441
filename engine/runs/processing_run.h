// One processing run: from the BOM file named in the request to the results, their log lines and
// the request to open them. The run sees nothing of the world but the request and the host
// (engine/request/run_request.h), and says how it ended in its RunOutcome
// (engine/results/run_outcome.h); the log lines are for people. engine/README.md shows the steps
// it takes, folder by folder.
#pragma once

#include <string>

#include "engine/request/run_request.h"
#include "engine/results/run_outcome.h"

namespace trelk {

RunOutcome runProcessing(const RunRequest& request, ProcessingHost& host);

// The report path a request leads to: the report or JSON file, or the folder of the CSV files.
std::string reportPathFor(const RunRequest& request);

}  // namespace trelk
