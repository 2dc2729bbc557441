// The hyperlink label: its export, notification, messages, hover and pointing-hand image.
#include <gtest/gtest.h>

#include <string>

#include "forms/form.h"
#include "forms/heap_blocks.h"
#include "forms/link_control.h"
#include "test_form.h"

namespace trelk::test {
namespace {

struct Commands {
    int count = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
} commands;

LRESULT recordLinkCommand(HWND, WPARAM wParam, LPARAM lParam, int) {
    ++commands.count;
    commands.wParam = wParam;
    commands.lParam = lParam;
    return 0;
}
const CommandHandler kLinkHandlers[] = {{kLink, kAnyNotification, recordLinkCommand}};

const FormDescription& linkForm() {
    static const FormDescription form = [] {
        FormDescription described = testFormDescription();
        described.setCommands(kLinkHandlers);
        return described;
    }();
    return form;
}

TEST(Firelink, IsExportedUnderItsPlainName) {
    const FARPROC exported = GetProcAddress(GetModuleHandleA(nullptr), "FIRELINK");
    EXPECT_EQ(reinterpret_cast<void*>(exported), reinterpret_cast<void*>(&FIRELINK));
}

// Moves the real pointer and clicks, as a user would.
void clickAt(POINT screen, DWORD buttonFlag) {
    SetCursorPos(screen.x, screen.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = buttonFlag;
    SendInput(1, &input, sizeof input);
}

// The presses and releases of the left button that the link has taken from the queue: real
// input arrives when it arrives, and the test waits for it by these counts.
struct Buttons {
    HWND link = nullptr;
    int presses = 0, releases = 0;
} buttons;

LRESULT CALLBACK countButtons(int code, WPARAM removal, LPARAM message) {
    const MSG& m = *reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE && m.hwnd == buttons.link) {
        if (m.message == WM_LBUTTONDOWN) ++buttons.presses;
        if (m.message == WM_LBUTTONUP) ++buttons.releases;
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

TEST(Firelink, ReportsOnePressAsCommandCodeZero) {
    HWND form = createTestForm(linkForm());
    HWND link = control(form, kLink);
    buttons = Buttons{link};
    const HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, countButtons, nullptr, GetCurrentThreadId());
    // Above every other window, so that the press lands on the link and nowhere else.
    SetWindowPos(form, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(form);
    RECT rect;
    GetWindowRect(link, &rect);
    const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ASSERT_TRUE(pumpUntil([&] { return GetForegroundWindow() == form && WindowFromPoint(middle) == link; }));
    // No button held and no window holding the mouse from an earlier test. (The system may drop
    // a release without a press; one that comes does so before the press below.)
    ReleaseCapture();
    clickAt(middle, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(pumpUntil(waitingMessagesHandled));

    commands = Commands{};
    clickAt(middle, MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(pumpUntil([] { return buttons.presses == 1; }));
    EXPECT_EQ(commands.count, 1);
    EXPECT_EQ(commands.wParam, MAKEWPARAM(kLink, 0));
    EXPECT_EQ(commands.lParam, reinterpret_cast<LPARAM>(link));
    const int releases = buttons.releases;
    clickAt(middle, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(pumpUntil([releases] { return buttons.releases > releases; }));
    EXPECT_EQ(commands.count, 1);  // nothing on release
    UnhookWindowsHookEx(hook);

    // The same through messages, independent of the pointer.
    commands = Commands{};
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(commands.count, 1);
    EXPECT_EQ(HIWORD(commands.wParam), 0);
    DestroyWindow(form);
}

TEST(Firelink, StartsWithItsDefaultsAndTakesItsMessages) {
    HWND form = createTestForm();
    HWND link = control(form, kLink);
    const LinkState* state = linkState(link);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->normalColor, RGB(0, 0, 255));
    EXPECT_EQ(state->hoverColor, RGB(255, 0, 0));
    EXPECT_EQ(state->backColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(state->backIsSystem, 0);
    EXPECT_EQ(state->controlId, kLink);
    EXPECT_EQ(state->glyph, 0);
    LOGFONTA hover{}, glyph{};
    GetObjectA(state->hoverFont, sizeof hover, &hover);
    GetObjectA(state->glyphFont, sizeof glyph, &glyph);
    EXPECT_EQ(hover.lfUnderline, 1);
    EXPECT_EQ(glyph.lfUnderline, 0);
    EXPECT_EQ(glyph.lfCharSet, SYMBOL_CHARSET);
    EXPECT_STREQ(glyph.lfFaceName, "Wingdings");

    // The About box's sequence of messages.
    HFONT font = CreateFontA(-15, 0, 0, 0, 400, 0, 0, 0, 0, 3, 2, 1, 34, "Tahoma");
    HFONT underlined = CreateFontA(-15, 0, 0, 0, 400, 0, 1, 0, 0, 3, 2, 1, 34, "Tahoma");
    SendMessageA(link, kLinkSetBackColor, COLOR_BTNFACE, 1);
    SendMessageA(link, kLinkSetGlyph, 0, 1);
    SendMessageA(link, kLinkSetGlyphGap, 4, 1);
    EXPECT_EQ(SendMessageA(link, kLinkSetNormalFont, reinterpret_cast<WPARAM>(font), 1), 0);
    SendMessageA(link, kLinkSetNormalColor, RGB(0, 0, 255), 1);
    SendMessageA(link, kLinkSetHoverColor, RGB(196, 0, 0), 1);
    EXPECT_EQ(SendMessageA(link, kLinkSetHoverFont, reinterpret_cast<WPARAM>(underlined), 1), 0);
    EXPECT_EQ(state->backColor, static_cast<COLORREF>(COLOR_BTNFACE));
    EXPECT_EQ(state->backIsSystem, 1);
    EXPECT_EQ(state->glyphGap, 4);
    EXPECT_EQ(state->hoverColor, RGB(196, 0, 0));
    // The control keeps copies; the sender's fonts stay its own.
    EXPECT_NE(state->normalFont, font);
    EXPECT_NE(state->hoverFont, underlined);
    DeleteObject(font);
    DeleteObject(underlined);
    LOGFONTA copied{};
    GetObjectA(state->hoverFont, sizeof copied, &copied);
    EXPECT_EQ(copied.lfHeight, -15);
    EXPECT_EQ(copied.lfUnderline, 1);
    // Something that is no font leaves the font alone.
    const HFONT kept = state->normalFont;
    SendMessageA(link, kLinkSetNormalFont, 0, 0);
    EXPECT_EQ(state->normalFont, kept);
    // A plain COLORREF after a system colour index is taken as a COLORREF again.
    SendMessageA(link, kLinkSetBackColor, RGB(1, 2, 3), 0);
    EXPECT_EQ(state->backIsSystem, 0);
    DestroyWindow(form);
}

TEST(Firelink, HoversWhileThePointerIsOverItAndLeavesWithinTheTimer) {
    HWND form = createTestForm();
    HWND link = control(form, kLink);
    const LinkState* state = linkState(link);
    RECT rect;
    GetWindowRect(link, &rect);

    SetCursorPos(rect.left + 5, rect.top + 5);
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(state->hover, 1);
    EXPECT_EQ(state->timerActive, 1);
    EXPECT_EQ(GetCursor(), state->handCursor);

    // The link's timer notices that the pointer has gone, and stops.
    SetCursorPos(rect.right + 40, rect.bottom + 40);
    EXPECT_TRUE(pumpUntil([state] { return state->timerActive == 0; }));
    EXPECT_EQ(state->hover, 0);
    DestroyWindow(form);
}

TEST(Firelink, FailsToCreateWithoutItsState) {
    const long empty = liveHeapBlocks();
    HWND form = createTestForm();
    const long before = liveHeapBlocks();
    failAllocationAfter(0);
    EXPECT_EQ(FIRELINK(form, 77, "no state", 0, 0, 50, 20, WS_CHILD | WS_VISIBLE, 0), nullptr);
    EXPECT_EQ(liveHeapBlocks(), before);
    HWND link = FIRELINK(form, 78, "state", 0, 0, 50, 20, WS_CHILD | WS_VISIBLE, 0);
    EXPECT_NE(linkState(link), nullptr);
    EXPECT_EQ(linkState(form), nullptr);
    DestroyWindow(form);
    EXPECT_EQ(liveHeapBlocks(), empty);
}

TEST(HandImage, IsA256ColourIconWithTheFingertipAtTheHotSpot) {
    std::array<BYTE, kHandImageSize> image = handImage();
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header->biWidth, 32);
    EXPECT_EQ(header->biHeight, 64);
    EXPECT_EQ(header->biBitCount, 8);
    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, 32, 32, 0);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // Drawn on white: the hot spot is a black fingertip pixel, the corner stays transparent.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(GetPixel(dc, 16, 16), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 16, 18), RGB(255, 255, 255));  // inside the finger
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 15, 16), RGB(255, 255, 255));  // beside the tip: transparent
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyIcon(icon);
}

}  // namespace
}  // namespace trelk::test
