#include "forms/link_control.h"

#include <cstring>

#include "forms/heap_blocks.h"

namespace trelk {

namespace {

constexpr UINT kLeaveCheckPeriodMs = 10;

// The hand, one character per pixel: '#' black, 'o' white, '.' transparent. Row 16, column 16
// is the fingertip.
constexpr const char* kHandPixels[32] = {
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................................", "................................",
    "................................", "................##..............", "...............#oo#.............",
    "...............#oo#.............", "...............#oo#.............", "...............#oo###...........",
    "...............#oo#oo###........", "...............#oo#oo#oo##......", "...........###.#oo#oo#oo#o#.....",
    "...........#oo##oooooooooo#.....", "............#o#ooooooooooo#.....", ".............#oooooooooooo#.....",
    ".............#ooooooooooo#......", "..............#oooooooooo#......", "..............#ooooooooo#.......",
    "...............#oooooooo#.......", "...............##########.......",
};

LinkState* stateOf(HWND link) { return reinterpret_cast<LinkState*>(GetWindowLongPtrA(link, 0)); }

void repaint(HWND link) {
    InvalidateRect(link, nullptr, TRUE);
    UpdateWindow(link);
}

bool pointerIsInside(HWND link) {
    POINT pointer;
    RECT rect;
    return GetCursorPos(&pointer) && GetWindowRect(link, &rect) && PtInRect(&rect, pointer);
}

HCURSOR makeHandCursor() {
    std::array<BYTE, kHandImageSize> image = handImage();
    HICON hand = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, 32, 32, 0);
    return hand ? static_cast<HCURSOR>(hand) : LoadCursorA(nullptr, IDC_ARROW);
}

// A copy of `font`; nullptr when it is not a font.
HFONT copyFont(HFONT font) {
    LOGFONTA description;
    if (!font || GetObjectA(font, sizeof description, &description) != sizeof description) return nullptr;
    return CreateFontIndirectA(&description);
}

// Replaces *slot with a copy of `font`; a handle that is no font leaves the slot as it is.
void replaceFont(HFONT& slot, HFONT font) {
    HFONT copy = copyFont(font);
    if (!copy) return;
    if (slot) DeleteObject(slot);
    slot = copy;
}

LRESULT onCreate(HWND link) {
    auto* state = static_cast<LinkState*>(allocateZeroed(sizeof(LinkState)));
    // Without its state the control could neither paint nor clean up: creation fails instead.
    if (!state) return -1;
    SetWindowLongPtrA(link, 0, reinterpret_cast<LONG_PTR>(state));

    state->normalColor = RGB(0, 0, 255);
    state->hoverColor = RGB(255, 0, 0);
    state->backColor = GetSysColor(COLOR_BTNFACE);
    LOGFONTA description{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    state->normalFont = CreateFontIndirectA(&description);
    description.lfUnderline = 1;
    state->hoverFont = CreateFontIndirectA(&description);
    description.lfUnderline = 0;
    description.lfCharSet = SYMBOL_CHARSET;
    std::strcpy(description.lfFaceName, "Wingdings");
    state->glyphFont = CreateFontIndirectA(&description);
    state->handCursor = makeHandCursor();
    state->arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
    state->controlId = GetDlgCtrlID(link);
    return 0;
}

void onDestroy(HWND link, LinkState* state) {
    if (state->timerActive) KillTimer(link, static_cast<UINT_PTR>(state->controlId));
    DeleteObject(state->normalFont);
    DeleteObject(state->hoverFont);
    DeleteObject(state->glyphFont);
    if (state->handCursor != state->arrowCursor) DestroyIcon(state->handCursor);
    SetWindowLongPtrA(link, 0, 0);
    freeBlock(state);
}

void onMouseMove(HWND link, LinkState* state) {
    if (pointerIsInside(link)) {
        if (GetCursor() != state->handCursor) SetCursor(state->handCursor);
        if (!state->timerActive) {
            SetTimer(link, static_cast<UINT_PTR>(state->controlId), kLeaveCheckPeriodMs, nullptr);
            state->timerActive = 1;
        }
        state->hover = 1;
    } else {
        state->hover = 0;
    }
    repaint(link);
}

void onTimer(HWND link, LinkState* state) {
    if (pointerIsInside(link)) return;
    KillTimer(link, static_cast<UINT_PTR>(state->controlId));
    state->timerActive = 0;
    state->hover = 0;
    InvalidateRect(link, nullptr, FALSE);
    UpdateWindow(link);
}

COLORREF backgroundColor(const LinkState& state) {
    return state.backIsSystem ? GetSysColor(static_cast<int>(state.backColor)) : state.backColor;
}

void onEraseBackground(HWND link, const LinkState& state, HDC dc) {
    RECT client;
    GetClientRect(link, &client);
    if (state.backIsSystem) {
        FillRect(dc, &client, GetSysColorBrush(static_cast<int>(state.backColor)));
    } else {
        HBRUSH brush = CreateSolidBrush(state.backColor);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
}

void onPaint(HWND link, const LinkState& state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(link, &paint);
    const int saved = SaveDC(dc);
    SetBkColor(dc, backgroundColor(state));
    RECT rect;
    GetClientRect(link, &rect);
    SetBkMode(dc, OPAQUE);
    const COLORREF textColor = state.hover ? state.hoverColor : state.normalColor;

    if (state.glyph) {
        SetTextColor(dc, textColor);
        HGDIOBJ previous = SelectObject(dc, state.glyphFont);
        char glyph[2] = {static_cast<char>(state.glyph), '\0'};
        DrawTextA(dc, glyph, 1, &rect, DT_VCENTER | DT_SINGLELINE);
        SIZE extent{0, 0};
        GetTextExtentPoint32A(dc, glyph, 1, &extent);
        rect.left += extent.cx + state.glyphGap;
        rect.right += extent.cx + state.glyphGap;
        SelectObject(dc, previous);
    }

    HGDIOBJ previous = SelectObject(dc, state.hover ? state.hoverFont : state.normalFont);
    SetTextColor(dc, textColor);
    char text[260] = {};
    GetWindowTextA(link, text, sizeof text);
    DrawTextA(dc, text, -1, &rect, DT_VCENTER | DT_SINGLELINE | DT_LEFT);
    SelectObject(dc, previous);
    RestoreDC(dc, saved);
    EndPaint(link, &paint);
}

LRESULT CALLBACK linkWindowProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        if (onCreate(link) != 0) return -1;
        return DefWindowProcA(link, message, wParam, lParam);
    }
    LinkState* state = stateOf(link);
    if (!state) return DefWindowProcA(link, message, wParam, lParam);

    switch (message) {
    case kLinkSetNormalColor:
        state->normalColor = static_cast<COLORREF>(wParam);
        repaint(link);
        break;
    case kLinkSetHoverColor:
        state->hoverColor = static_cast<COLORREF>(wParam);
        repaint(link);
        break;
    case kLinkSetBackColor:
        state->backColor = static_cast<COLORREF>(wParam);
        state->backIsSystem = lParam != 0;
        repaint(link);
        break;
    case kLinkSetNormalFont:
        replaceFont(state->normalFont, reinterpret_cast<HFONT>(wParam));
        repaint(link);
        return 0;
    case kLinkSetHoverFont:
        replaceFont(state->hoverFont, reinterpret_cast<HFONT>(wParam));
        repaint(link);
        return 0;
    case kLinkSetGlyph:
        state->glyph = static_cast<int>(wParam);
        repaint(link);
        break;
    case kLinkSetGlyphGap:
        state->glyphGap = static_cast<int>(wParam);
        repaint(link);
        break;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcA(link, message, wParam, lParam);
        repaint(link);
        return result;
    }
    case WM_MOUSEMOVE: onMouseMove(link, state); break;
    case WM_TIMER: onTimer(link, state); break;
    case WM_LBUTTONDOWN: {
        // Reported on the press, not on the release.
        const int id = static_cast<int>(GetWindowLongPtrA(link, GWLP_ID));
        SendMessageA(GetParent(link), WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(link));
        return 0;
    }
    case WM_PAINT: onPaint(link, *state); return 0;
    case WM_ERASEBKGND: onEraseBackground(link, *state, reinterpret_cast<HDC>(wParam)); return 1;
    case WM_DESTROY: onDestroy(link, state); break;
    default: break;
    }
    return DefWindowProcA(link, message, wParam, lParam);
}

}  // namespace

const LinkState* linkState(HWND link) {
    char name[32] = {};
    if (!IsWindow(link) || !GetClassNameA(link, name, sizeof name) || std::strcmp(name, kLinkControlClass) != 0) {
        return nullptr;
    }
    return stateOf(link);
}

std::array<BYTE, kHandImageSize> handImage() {
    std::array<BYTE, kHandImageSize> image{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 32;
    header.biHeight = 64;  // the colour image and the mask, stacked
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biSizeImage = 32 * 32 + 32 * 4;
    std::memcpy(image.data(), &header, sizeof header);

    constexpr size_t palette = sizeof(BITMAPINFOHEADER);
    constexpr size_t colours = palette + 256 * sizeof(RGBQUAD);
    constexpr size_t mask = colours + 32 * 32;
    constexpr BYTE white = 1;  // palette entry 0 stays black
    image[palette + white * 4 + 0] = 0xFF;
    image[palette + white * 4 + 1] = 0xFF;
    image[palette + white * 4 + 2] = 0xFF;

    for (size_t row = 0; row < 32; ++row) {
        const size_t stored = 31 - row;  // bottom-up
        for (size_t column = 0; column < 32; ++column) {
            const char pixel = kHandPixels[row][column];
            if (pixel == '.') {
                image[mask + stored * 4 + column / 8] |= static_cast<BYTE>(0x80u >> (column % 8));
            } else if (pixel == 'o') {
                image[colours + stored * 32 + column] = white;
            }
        }
    }
    return image;
}

}  // namespace trelk

extern "C" HWND WINAPI FIRELINK(HWND parent, int id, const char* text, int x, int y, int width, int height, DWORD style,
                                DWORD exStyle) {
    using namespace trelk;
    HINSTANCE instance = parent ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)) : nullptr;
    if (!instance) instance = GetModuleHandleA(nullptr);

    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(instance, kLinkControlClass, &existing)) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW;
        wc.lpfnWndProc = linkWindowProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = instance;
        wc.lpszClassName = kLinkControlClass;
        if (!RegisterClassExA(&wc)) return nullptr;
    }
    return CreateWindowExA(exStyle, kLinkControlClass, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}
