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

std::string_view totalCauseWord(TotalCause cause) { return cause == TotalCause::Direct ? "direct" : "indirect"; }

}  // namespace trelk
