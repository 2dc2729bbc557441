#include "forms/font_fields.h"

#include <vector>

#include "text/text_rules.h"

namespace trelk {

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

}  // namespace trelk
