#include "forms/anchor_fields.h"

#include <cctype>
#include <cmath>

#include "text/text_rules.h"

// Every intermediate result below is kept in a named float: the 32-bit build compiles this file
// with -ffloat-store, so x87 excess precision cannot change where a halfway value rounds.

namespace trelk {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

float edgePosition(const EdgeAnchor& anchor, float recordedExtent, float currentExtent, float recorded) {
    switch (anchor.rule) {
    case EdgeRule::Scale: {
        // A parent recorded with no extent gives no ratio; the edge stays where it was.
        if (recordedExtent == 0.0f) return recorded;
        const float ratio = currentExtent / recordedExtent;
        const float scaled = ratio * recorded;
        return scaled;
    }
    case EdgeRule::Follow: {
        const float share = static_cast<float>(anchor.percent) / 100.0f;
        const float before = share * recordedExtent;
        const float after = share * currentExtent;
        const float withoutBefore = recorded - before;
        const float moved = withoutBefore + after;
        return moved;
    }
    case EdgeRule::Keep: break;
    }
    return recorded;
}

}  // namespace

EdgeAnchor parseEdgeAnchor(std::string_view field) {
    EdgeAnchor anchor;
    if (field.empty()) return anchor;
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
    if (first == 'S') {
        anchor.rule = EdgeRule::Scale;
    } else if (first == 'F') {
        anchor.rule = EdgeRule::Follow;
        const std::string_view rest = field.substr(1);
        if (rest == "L" || rest == "T" || rest == "l" || rest == "t")
            anchor.percent = 0;
        else if (rest == "R" || rest == "B" || rest == "r" || rest == "b")
            anchor.percent = 100;
        else
            anchor.percent = readLeadingInt32(rest);
    }
    return anchor;
}

std::array<std::string, 4> splitAnchorFields(std::string_view text) {
    std::array<std::string, 4> fields;
    size_t pos = 0;
    for (size_t index = 0; index < fields.size() && pos <= text.size(); ++index) {
        while (pos < text.size() && isBlank(text[pos])) ++pos;
        size_t end;
        if (pos < text.size() && text[pos] == '"') {
            const size_t close = text.find('"', pos + 1);
            const size_t stop = close == std::string_view::npos ? text.size() : close;
            fields[index] = std::string(text.substr(pos + 1, stop - pos - 1));
            end = text.find(',', stop);
        } else {
            end = text.find(',', pos);
            std::string_view field =
                text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
            while (!field.empty() && isBlank(field.back())) field.remove_suffix(1);
            fields[index] = std::string(field);
        }
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    return fields;
}

std::optional<Anchors> parseAnchorText(std::string_view text) {
    if (text.size() < 7) return std::nullopt;
    const std::array<std::string, 4> fields = splitAnchorFields(text);
    Anchors anchors;
    for (size_t i = 0; i < fields.size(); ++i) anchors.edges[i] = parseEdgeAnchor(fields[i]);
    return anchors;
}

int roundHalfToEven(float value) {
    const float rounded = std::nearbyint(value);        // the default rounding mode: to nearest, ties to even
    if (!(rounded > -2147483648.0f)) return INT32_MIN;  // also NaN
    if (rounded >= 2147483648.0f) return INT32_MAX;
    return static_cast<int>(rounded);
}

Placement placeAnchored(const Anchors& anchors, const Edges& recordedControl, Extent recordedParent,
                        Extent currentParent) {
    const float recordedWidth = static_cast<float>(recordedParent.width);
    const float recordedHeight = static_cast<float>(recordedParent.height);
    const float currentWidth = static_cast<float>(currentParent.width);
    const float currentHeight = static_cast<float>(currentParent.height);
    const float left =
        edgePosition(anchors.edges[0], recordedWidth, currentWidth, static_cast<float>(recordedControl.left));
    const float top =
        edgePosition(anchors.edges[1], recordedHeight, currentHeight, static_cast<float>(recordedControl.top));
    const float right =
        edgePosition(anchors.edges[2], recordedWidth, currentWidth, static_cast<float>(recordedControl.right));
    const float bottom =
        edgePosition(anchors.edges[3], recordedHeight, currentHeight, static_cast<float>(recordedControl.bottom));
    const float width = right - left;
    const float height = bottom - top;
    return Placement{roundHalfToEven(left), roundHalfToEven(top), roundHalfToEven(width), roundHalfToEven(height)};
}

}  // namespace trelk
