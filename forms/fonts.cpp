#include "forms/fonts.h"

#include <algorithm>

namespace trelk {

namespace {

FontCache makeEmptyCache() {
    FontCache cache;
    cache.texts.emplace_back();
    cache.fonts.push_back(nullptr);
    return cache;
}

FontCache cache = makeEmptyCache();

// Fonts are asked for by family name; the last character set the family reports is used,
// so a symbol face such as Wingdings gets its own character set.
int CALLBACK rememberCharSet(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM charSet) {
    *reinterpret_cast<BYTE*>(charSet) = font->lfCharSet;
    return 1;
}

}  // namespace

HFONT makeFont(const char* faceName, int32_t size, int32_t weight, int32_t italic, int32_t underline,
               int32_t strikeOut) {
    if (!faceName || !*faceName) return nullptr;
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    BYTE charSet = 0;
    EnumFontFamiliesA(screen, faceName, rememberCharSet, reinterpret_cast<LPARAM>(&charSet));
    ReleaseDC(nullptr, screen);

    // 64-bit so that an absurd point size cannot overflow; truncation, not rounding (8 pt at
    // 96 dpi is -10).
    const int64_t points = int64_t{pixelsPerInch} * size / 72;
    const int height = size > 0 ? static_cast<int>(-std::min<int64_t>(points, INT32_MAX)) : size;
    return CreateFontA(height, 0, 0, 0, weight, static_cast<DWORD>(italic), static_cast<DWORD>(underline),
                       static_cast<DWORD>(strikeOut), charSet, OUT_TT_PRECIS, 0, 0, 0, faceName);
}

HFONT fontFromText(std::string_view text) {
    for (size_t i = 0; i < cache.texts.size(); ++i) {
        if (cache.texts[i] != text) continue;
        if (cache.fonts[i]) return cache.fonts[i];
        break;
    }
    const FontFields fields = parseFontText(text);
    HFONT font = makeFont(fields.faceName.c_str(), fields.height, fields.weight, fields.italic, fields.underline,
                          fields.strikeOut);
    cache.texts.emplace_back(text);
    cache.fonts.push_back(font);
    return font;
}

const FontCache& fontCache() { return cache; }

void resetFontCache() { cache = makeEmptyCache(); }

}  // namespace trelk
