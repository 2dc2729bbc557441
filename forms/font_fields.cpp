#include "forms/font_fields.h"

#include <vector>

#include "text/text_rules.h"

namespace trelk {

FontFields parseFontText(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    auto number = [&](size_t index) { return index < fields.size() ? readLeadingInt32(fields[index]) : 0; };

    FontFields font;
    font.faceName = std::string(fields[0]);
    font.height = number(1);
    font.width = number(2);
    font.escapement = number(3);
    font.orientation = number(4);
    font.weight = number(5);
    font.italic = number(6);
    font.underline = number(7);
    font.strikeOut = number(8);
    font.charSet = number(9);
    font.outPrecision = number(10);
    font.clipPrecision = number(11);
    font.quality = number(12);
    font.pitchAndFamily = number(13);
    return font;
}

}  // namespace trelk
