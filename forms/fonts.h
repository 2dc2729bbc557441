// Fonts named by a font text, "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34": the
// fields of a LOGFONT in order. Fonts are made once per distinct text and shared by every
// control through the process-wide font cache; they live until the process ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/font_fields.h"

namespace trelk {

// A new font; the character set is the one the installed family reports. A positive size is
// in points (converted with the screen's vertical resolution, truncating). nullptr for an
// empty face name. The caller owns the font.
HFONT makeFont(const char* faceName, int32_t size, int32_t weight, int32_t italic, int32_t underline,
               int32_t strikeOut);

// The cache's font for a font text: the first entry with exactly this text, or a new font
// appended as a new entry when there is none or that entry holds no font. Only the face name,
// height, weight, italic, underline and strike-out fields are used.
HFONT fontFromText(std::string_view text);

// Two parallel arrays, appended to and never shrunk; entry 0 is the empty text without a font.
struct FontCache {
    std::vector<std::string> texts;
    std::vector<HFONT> fonts;
};
const FontCache& fontCache();

// Back to the single empty entry; the program calls it once at start-up.
void resetFontCache();

}  // namespace trelk
