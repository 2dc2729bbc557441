#include "engine/results/result_tables.h"

#include <charconv>
#include <cstring>

namespace trelk {

char* putWideCount(char* out, int64_t value) {
    char digits[20];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const size_t length = static_cast<size_t>(end - digits);
    for (size_t i = length; i < 5; ++i) *out++ = ' ';
    std::memcpy(out, digits, length);
    return out + length;
}

}  // namespace trelk
