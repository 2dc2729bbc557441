// Anchor layout: when a form is resized, each control with an anchor text moves its four
// edges by fixed margins, by a share of the growth, or in proportion to the parent.
// Every layout is computed from each control's geometry recorded once: when the form calls
// captureAnchorGeometry, or else at the first WM_SIZE the form gets after the control was set
// up (the form records before it applies the anchors). Repeated resizing therefore never
// accumulates rounding errors.
#pragma once

#include <windows.h>

#include "forms/anchor_fields.h"

namespace trelk {

// Where a control recorded at `recordedControl` in a parent client area of `recordedParent`
// goes in a client area of `currentParent`. Single-precision arithmetic throughout; the width
// and height are rounded from the unrounded edge differences.
Placement anchoredPlacement(const Anchors& anchors, const RECT& recordedControl, SIZE recordedParent,
                            SIZE currentParent);

// EnumChildWindows callbacks of the form's WM_SIZE handling; both always continue.
// captureGeometry records a set-up control's rectangle and its parent's client size, once.
BOOL CALLBACK captureGeometry(HWND window, LPARAM);
// applyAnchors moves a recorded control with a usable anchor text to its anchored place.
BOOL CALLBACK applyAnchors(HWND window, LPARAM);

// Records the place of every set-up control of the form that has none yet. A form calls it once
// its controls stand at their designed places in a client area of the designed size.
void captureAnchorGeometry(HWND form);

}  // namespace trelk
