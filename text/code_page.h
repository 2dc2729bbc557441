// Texts in the Chinese code page, taken to UTF-8 by the system's own converter: iconv on POSIX
// systems (code_page_posix.cpp), MultiByteToWideChar on Windows (code_page_win32.cpp). A company's
// BOM format file is written in the system's code page, GBK (code page 936) on Chinese systems,
// while the exports made by it are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trelk {

// The GBK text as UTF-8, or nothing when its bytes are no GBK.
std::optional<std::string> gbkToUtf8(std::string_view text);

}  // namespace trelk
