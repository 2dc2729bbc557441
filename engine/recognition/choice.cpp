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

namespace {

// Two candidates that read the bytes by the same words and layout: the trial of the first stands
// for both (different ways of finding a file's words often find the same ones).
bool readsAlike(const RecognisedExport& a, const RecognisedExport& b) {
    const KeywordSet &x = a.keywords, &y = b.keywords;
    return x.contains == y.contains && x.SubAssembly == y.SubAssembly && x.Part == y.Part &&
           x.SummaryOfParts == y.SummaryOfParts && a.columns == b.columns && a.layout == b.layout;
}

}  // namespace

std::optional<Reading> chooseReading(std::string_view bytes, std::vector<Reading> candidates, uint64_t& steps) {
    constexpr size_t kNone = ~size_t{0};
    size_t best = kNone;
    Trial bestTrial;
    std::vector<Trial> trials;
    for (const bool layouts : {false, true}) {
        if (best != kNone && bestTrial.accepted) break;
        for (size_t i = 0; i < candidates.size(); ++i) {
            const Reading& reading = candidates[i];
            if (reading.found.layout.has_value() != layouts) continue;
            // Its twin was tried before it, and no later twin can be better than the first.
            if (std::any_of(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(i),
                            [&](const Reading& earlier) { return readsAlike(earlier.found, reading.found); }))
                continue;
            const Trial trial = tryReading(bytes, reading);
            steps += trial.steps;
            if (trial.accepted) trials.push_back(trial);
            if (best == kNone || better(trial, bestTrial)) {
                best = i;
                bestTrial = trial;
            }
        }
    }
    if (best == kNone || !bestTrial.accepted) return std::nullopt;
    Reading chosen = std::move(candidates[best]);
    chosen.found.settled = std::none_of(trials.begin(), trials.end(), [&](const Trial& t) {
        return t.fingerprint != bestTrial.fingerprint && equallyProven(t, bestTrial);
    });
    return chosen;
}

}  // namespace trelk::recognition
