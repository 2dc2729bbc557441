// Anchor layout: when a form is resized, each control with an anchor text moves its four
// edges by fixed margins, by a share of the growth, or in proportion to the parent.
// Every layout is computed from the geometry recorded once at the form's first WM_SIZE after
// the control was set up, so repeated resizing never accumulates rounding errors.
#pragma once

#include <windows.h>

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
struct AnchorSpec {
    std::array<EdgeAnchor, 4> edges;
};
std::optional<AnchorSpec> parseAnchorSpec(std::string_view text);
std::array<std::string, 4> splitAnchorFields(std::string_view text);

// Nearest integer, halves to the even neighbour (110.5 -> 110, 111.5 -> 112).
int roundHalfToEven(float value);

struct Placement {
    int x, y, width, height;
};
// Where a control recorded at `recordedControl` in a parent client area of `recordedParent`
// goes in a client area of `currentParent`. Single-precision arithmetic throughout; the width
// and height are rounded from the unrounded edge differences.
Placement anchoredPlacement(const AnchorSpec& anchors, const RECT& recordedControl, SIZE recordedParent,
                            SIZE currentParent);

// EnumChildWindows callbacks of the form's WM_SIZE handling; both always continue.
// captureGeometry records a set-up control's rectangle and its parent's client size, once.
BOOL CALLBACK captureGeometry(HWND window, LPARAM);
// applyAnchors moves a recorded control with a usable anchor text to its anchored place.
BOOL CALLBACK applyAnchors(HWND window, LPARAM);

}  // namespace trelk
