#include "engine/results/comparison.h"

namespace trelk {

std::string_view memberChangeWord(MemberChange change) {
    switch (change) {
    case MemberChange::Added: return "added";
    case MemberChange::Removed: return "removed";
    case MemberChange::Quantity: return "quantity";
    case MemberChange::Type: return "type";
    }
    return "";
}

std::string_view blockChangeWord(BlockChange change) {
    switch (change) {
    case BlockChange::Changed: return "changed";
    case BlockChange::Added: return "added";
    case BlockChange::Removed: return "removed";
    }
    return "";
}

std::string readWarning(const ComparedFile& file, bool oldFile) {
    if (file.problems == 0 && file.summaryDifferences == 0) return "";
    std::string text = oldFile ? "The old file" : "The new file";
    if (file.problems > 0) {
        text += " was read with " + std::to_string(file.problems) + (file.problems == 1 ? " problem" : " problems");
        if (file.summaryDifferences > 0) text += " and its";
    } else {
        text += "'s";
    }
    if (file.summaryDifferences > 0)
        text += " totals differ from its own summary of parts for " + std::to_string(file.summaryDifferences) +
                (file.summaryDifferences == 1 ? " name" : " names");
    return text + ": the comparison may be wrong";
}

std::vector<std::string> readWarnings(const Comparison& comparison) {
    std::vector<std::string> warnings;
    for (const bool old : {true, false})
        if (std::string w = readWarning(old ? comparison.oldFile : comparison.newFile, old); !w.empty())
            warnings.push_back(std::move(w));
    return warnings;
}

std::string_view totalCauseWord(TotalCause cause) { return cause == TotalCause::Direct ? "direct" : "indirect"; }

}  // namespace trelk
