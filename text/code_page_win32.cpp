#include <windows.h>

#include "text/code_page.h"
#include "text/text_codec.h"

namespace trelk {

std::optional<std::string> gbkToUtf8(std::string_view text) {
    if (text.empty()) return std::string();
    constexpr UINT kGbk = 936;
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), units) != units)
        return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return utf16LittleEndianToUtf8(bytes);
}

}  // namespace trelk
