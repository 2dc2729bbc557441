// The text that names a font, "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34": the fields of a
// LOGFONT in order. Only text rules here, no window system, so that any build can check them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trelk {

// The fourteen fields of a font text. The text is split at every comma (no quoting,
// no trimming); a numeric field is read like a leading decimal number rounded to the nearest
// integer, and an empty, missing or non-numeric one reads as 0.
struct FontFields {
    std::string faceName;
    int32_t height = 0;  // <= 0: character height in pixels; > 0: size in points
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    int32_t italic = 0;
    int32_t underline = 0;
    int32_t strikeOut = 0;
    int32_t charSet = 0;
    int32_t outPrecision = 0;
    int32_t clipPrecision = 0;
    int32_t quality = 0;
    int32_t pitchAndFamily = 0;
};
FontFields parseFontText(std::string_view text);

}  // namespace trelk
