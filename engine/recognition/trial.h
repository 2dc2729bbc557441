// The trial: the file read by one candidate reading, as a run would read it, and what that found.
// Takes the bytes and the reading; gives the blocks found, the rows read, and how the roll-up's
// totals compare with the file's own summary of parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/recognition/candidate_reading.h"

namespace trelk::recognition {

struct Trial {
    // Evidence enough to take the reading at all: a block of a member, or a summary that agrees.
    bool accepted = false;
    bool summaryAgrees = false;
    size_t differences = 0;        // parts whose totals differ from the summary's
    bool mostPartsDiffer = false;  // as the run tells a reading by the wrong words or columns
    size_t blocksNamed = 0;        // blocks other than the main one whose assembly a block lists
    size_t items = 0;
    bool typed = false;
    // What the reading read, hashed: its main assembly, blocks and rows by name, quantity and
    // type. Two readings with the same fingerprint read the bytes alike (a name in the last field
    // and in the third, where no row has more).
    uint64_t fingerprint = 0;
    uint64_t steps = 0;  // the bytes read and the item lines the roll-up walked
};

Trial tryReading(std::string_view bytes, const Reading& reading);

}  // namespace trelk::recognition
