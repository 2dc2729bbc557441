#include "engine/recognition/choice.h"

#include <algorithm>
#include <utility>

namespace trelk::recognition {

bool better(const Trial& a, const Trial& b) {
    if (a.accepted != b.accepted) return a.accepted;
    if (a.summaryAgrees != b.summaryAgrees) return a.summaryAgrees;
    if (a.differences != b.differences) return a.differences < b.differences;
    if (a.blocksNamed != b.blocksNamed) return a.blocksNamed > b.blocksNamed;
    if (a.items != b.items) return a.items > b.items;
    return a.typed && !b.typed;
}

bool equallyProven(const Trial& a, const Trial& b) {
    return a.accepted == b.accepted && a.summaryAgrees == b.summaryAgrees && a.differences == b.differences &&
           a.blocksNamed == b.blocksNamed;
}

std::optional<Reading> chooseReading(std::string_view bytes, std::vector<Reading> candidates, uint64_t& steps) {
    std::optional<Reading> best;
    Trial bestTrial;
    std::vector<Trial> trials;
    for (const bool layouts : {false, true}) {
        if (best && bestTrial.accepted) break;
        for (Reading& reading : candidates) {
            if (reading.found.layout.has_value() != layouts) continue;
            const Trial trial = tryReading(bytes, reading);
            steps += trial.steps;
            if (trial.accepted) trials.push_back(trial);
            if (!best || better(trial, bestTrial)) {
                best = std::move(reading);
                bestTrial = trial;
            }
        }
    }
    if (!best || !bestTrial.accepted) return std::nullopt;
    best->found.settled = std::none_of(trials.begin(), trials.end(), [&](const Trial& t) {
        return t.fingerprint != bestTrial.fingerprint && equallyProven(t, bestTrial);
    });
    return best;
}

}  // namespace trelk::recognition
