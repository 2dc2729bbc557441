// The choice: which trial wins, and why. Takes the candidates and their trials; gives the one
// reading whose evidence is strongest, or nothing when no trial found enough to be taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/recognition/trial.h"

namespace trelk::recognition {

// The file's own summary is the best evidence, then the blocks found and the rows read; a type
// column is taken where it reads every row a reading without one reads.
bool better(const Trial& a, const Trial& b);

// The evidence that tells readings apart for certain: the summary and the blocks named. A reading
// ahead of another only by the rows it read or by a type column was chosen by weight.
bool equallyProven(const Trial& a, const Trial& b);

// Every candidate tried on the bytes, the best kept; `steps` receives the trials' work. Readings
// described as a layout are tried only when no reading by keywords and columns is taken: a file the
// line classifier reads keeps that reading. `found.settled` is false when a reading that reads the
// bytes otherwise is as well proven as the one chosen.
std::optional<Reading> chooseReading(std::string_view bytes, std::vector<Reading> candidates, uint64_t& steps);

}  // namespace trelk::recognition
