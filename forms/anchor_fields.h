// Anchor texts and the arithmetic of anchor layout: where each edge of a control goes when its
// parent is resized. Only text and numbers here, no window system, so that any build can check
// them; anchors.h applies them to windows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trelk {

// One edge's code: "FL"/"FT" (percent 0), "FR"/"FB" (100), "F<n>" (n percent of the growth),
// "S..." (scale with the parent). Anything else keeps the edge where it was recorded.
enum class EdgeRule { Keep, Follow, Scale };
struct EdgeAnchor {
    EdgeRule rule = EdgeRule::Keep;
    int32_t percent = 0;  // for Follow
};
EdgeAnchor parseEdgeAnchor(std::string_view field);

// Left, top, right and bottom, from a text such as "FL,FT,FR,FB" (any case). Fields are
// comma-separated; blanks around a field and double quotes around it are dropped; a missing
// field is empty. nullopt for a text shorter than 7 characters, which means "no anchoring".
struct Anchors {
    std::array<EdgeAnchor, 4> edges;
};
std::optional<Anchors> parseAnchorText(std::string_view text);
std::array<std::string, 4> splitAnchorFields(std::string_view text);

// Nearest integer, halves to the even neighbour (110.5 -> 110, 111.5 -> 112).
int roundHalfToEven(float value);

struct Placement {
    int x, y, width, height;
};
// A control's edges in its parent's client coordinates, and a client area's size.
struct Edges {
    int32_t left, top, right, bottom;
};
struct Extent {
    int32_t width, height;
};
// Where a control recorded at `recordedControl` in a parent client area of `recordedParent`
// goes in a client area of `currentParent`. Single-precision arithmetic throughout; the width
// and height are rounded from the unrounded edge differences.
Placement placeAnchored(const Anchors& anchors, const Edges& recordedControl, Extent recordedParent,
                        Extent currentParent);

}  // namespace trelk
