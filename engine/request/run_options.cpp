#include "engine/request/run_options.h"

#include <cstdint>
#include <limits>

namespace trelk {

int readFieldNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (i == text.size()) return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max()) return 0;
    }
    return static_cast<int>(text[0] == '-' ? -value : value);
}

char readSeparator(std::string_view text) {
    if (text == "tab" || text == "\\t" || text == "\t") return '\t';
    return text.size() == 1 && text[0] != ' ' ? text[0] : 0;
}

}  // namespace trelk
