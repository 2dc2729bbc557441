// Font texts and anchor texts on arbitrary text, and the anchor arithmetic on arbitrary
// numbers. Checked: the face name is the text before the first comma; a font text written
// back from its parsed fields parses to the same fields; an anchor text reads the same in any
// letter case; a parent that keeps its size keeps every control where it was recorded.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "forms/anchor_fields.h"
#include "forms/font_fields.h"
#include "fuzz_support.h"

namespace trelk {
namespace {

std::string fieldsText(const FontFields& f) {
    std::string text = f.faceName;
    for (const int32_t n : {f.height, f.width, f.escapement, f.orientation, f.weight, f.italic, f.underline,
                            f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision, f.quality, f.pitchAndFamily})
        text += "," + std::to_string(n);
    return text;
}

void checkFontText(std::string_view text) {
    const FontFields font = parseFontText(text);
    fuzz::checkEqual(text.substr(0, text.find(',')), font.faceName, "face name is not the first field");
    const FontFields again = parseFontText(fieldsText(font));
    fuzz::checkEqual(fieldsText(font), fieldsText(again), "font fields do not survive being written back");
}

bool sameAnchors(const std::optional<Anchors>& a, const std::optional<Anchors>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    for (size_t i = 0; i < 4; ++i)
        if (a->edges[i].rule != b->edges[i].rule || a->edges[i].percent != b->edges[i].percent) return false;
    return true;
}

void checkAnchorText(std::string_view text, FuzzedDataProvider& numbers) {
    const std::optional<Anchors> anchors = parseAnchorText(text);
    fuzz::check(anchors.has_value() == (text.size() >= 7), "anchor text length rule");
    std::string upper(text), lower(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fuzz::check(sameAnchors(anchors, parseAnchorText(upper)) && sameAnchors(anchors, parseAnchorText(lower)),
                "anchor text depends on letter case");
    if (!anchors) return;

    // Any numbers at all: no undefined behaviour, whatever comes out.
    const Edges anyControl{numbers.ConsumeIntegral<int32_t>(), numbers.ConsumeIntegral<int32_t>(),
                           numbers.ConsumeIntegral<int32_t>(), numbers.ConsumeIntegral<int32_t>()};
    const Extent anyRecorded{numbers.ConsumeIntegral<int32_t>(), numbers.ConsumeIntegral<int32_t>()};
    const Extent anyCurrent{numbers.ConsumeIntegral<int32_t>(), numbers.ConsumeIntegral<int32_t>()};
    (void)placeAnchored(*anchors, anyControl, anyRecorded, anyCurrent);

    // Numbers a window can have, and shares a form would use: an unchanged parent moves nothing.
    for (const EdgeAnchor& edge : anchors->edges)
        if (edge.rule == EdgeRule::Follow && std::abs(static_cast<int64_t>(edge.percent)) > 1000) return;
    auto coordinate = [&] { return numbers.ConsumeIntegralInRange<int32_t>(-20000, 20000); };
    const Edges control{coordinate(), coordinate(), coordinate(), coordinate()};
    const Extent parent{numbers.ConsumeIntegralInRange<int32_t>(0, 20000),
                        numbers.ConsumeIntegralInRange<int32_t>(0, 20000)};
    const Placement p = placeAnchored(*anchors, control, parent, parent);
    fuzz::check(p.x == control.left && p.y == control.top && p.width == control.right - control.left &&
                    p.height == control.bottom - control.top,
                "a parent of unchanged size moved a control");
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(256);
    checkFontText(text);
    checkAnchorText(text, input);
    return 0;
}
