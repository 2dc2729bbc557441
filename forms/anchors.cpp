#include "forms/anchors.h"

#include "forms/form.h"

namespace trelk {

Placement anchoredPlacement(const Anchors& anchors, const RECT& recordedControl, SIZE recordedParent,
                            SIZE currentParent) {
    return placeAnchored(
        anchors, Edges{recordedControl.left, recordedControl.top, recordedControl.right, recordedControl.bottom},
        Extent{recordedParent.cx, recordedParent.cy}, Extent{currentParent.cx, currentParent.cy});
}

BOOL CALLBACK captureGeometry(HWND window, LPARAM) {
    WindowRecord* record = windowRecord(window);
    if (!record || record->geometryCaptured == 1) return TRUE;
    HWND parent = GetParent(window);
    GetClientRect(parent, &record->parentRect);
    GetWindowRect(window, &record->controlRect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&record->controlRect), 2);
    record->geometryCaptured = 1;
    return TRUE;
}

BOOL CALLBACK applyAnchors(HWND window, LPARAM) {
    const WindowRecord* record = windowRecord(window);
    if (!record || !record->geometryCaptured) return TRUE;
    const std::optional<Anchors> anchors = parseAnchorText(record->anchor);
    if (!anchors) return TRUE;
    RECT client;
    GetClientRect(GetParent(window), &client);
    const Placement place =
        anchoredPlacement(*anchors, record->controlRect, SIZE{record->parentRect.right, record->parentRect.bottom},
                          SIZE{client.right, client.bottom});
    SetWindowPos(window, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER);
    return TRUE;
}

void captureAnchorGeometry(HWND form) { EnumChildWindows(form, captureGeometry, 0); }

}  // namespace trelk
