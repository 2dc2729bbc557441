#include "forms/fonts.h"

#include <algorithm>

#include "engine/text_rules.h"

namespace trelk {

namespace {

FontCache makeEmptyCache() {
    FontCache cache;
    cache.specs.emplace_back();
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

FontSpec parseFontSpec(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    auto number = [&](size_t index) { return index < fields.size() ? readLeadingInt32(fields[index]) : 0; };

    FontSpec spec;
    spec.faceName = std::string(fields[0]);
    spec.height = number(1);
    spec.width = number(2);
    spec.escapement = number(3);
    spec.orientation = number(4);
    spec.weight = number(5);
    spec.italic = number(6);
    spec.underline = number(7);
    spec.strikeOut = number(8);
    spec.charSet = number(9);
    spec.outPrecision = number(10);
    spec.clipPrecision = number(11);
    spec.quality = number(12);
    spec.pitchAndFamily = number(13);
    return spec;
}

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

HFONT fontFromSpec(std::string_view spec) {
    for (size_t i = 0; i < cache.specs.size(); ++i) {
        if (cache.specs[i] != spec) continue;
        if (cache.fonts[i]) return cache.fonts[i];
        break;
    }
    const FontSpec fields = parseFontSpec(spec);
    HFONT font = makeFont(fields.faceName.c_str(), fields.height, fields.weight, fields.italic, fields.underline,
                          fields.strikeOut);
    cache.specs.emplace_back(spec);
    cache.fonts.push_back(font);
    return font;
}

const FontCache& fontCache() { return cache; }

void resetFontCache() { cache = makeEmptyCache(); }

}  // namespace trelk
