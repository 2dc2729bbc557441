// Anchor layout: the anchor text, the single-precision edge arithmetic and the re-layout of a
// real form on resize.
#include <gtest/gtest.h>

#include "forms/anchors.h"
#include "forms/controls.h"
#include "forms/window_helpers.h"
#include "test_form.h"

namespace trelk::test {
namespace {

TEST(AnchorText, SplitsFieldsWithBlanksAndQuotes) {
    struct Case {
        const char* text;
        std::array<std::string, 4> fields;
    };
    const Case cases[] = {
        {"FL,FT,FR,FB", {"FL", "FT", "FR", "FB"}},
        {"  FL , FT\t,FR ,FB  ", {"FL", "FT", "FR", "FB"}},
        {"\"FL\",\" FT \",\"F,R\" ,FB", {"FL", " FT ", "F,R", "FB"}},
        {"FL,FT", {"FL", "FT", "", ""}},
        {",,,", {"", "", "", ""}},
        {"S,S,S,S,EXTRA", {"S", "S", "S", "S"}},
        {"\"unclosed", {"unclosed", "", "", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitAnchorFields(c.text), c.fields) << c.text;
}

TEST(AnchorText, ReadsEachEdgeCode) {
    struct Case {
        const char* field;
        EdgeRule rule;
        int percent;
    };
    const Case cases[] = {
        {"FL", EdgeRule::Follow, 0},     {"FT", EdgeRule::Follow, 0},   {"FR", EdgeRule::Follow, 100},
        {"FB", EdgeRule::Follow, 100},   {"fr", EdgeRule::Follow, 100}, {"F50", EdgeRule::Follow, 50},
        {"F 25", EdgeRule::Follow, 25},  {"F", EdgeRule::Follow, 0},    {"FX", EdgeRule::Follow, 0},
        {"F-10", EdgeRule::Follow, -10}, {"S", EdgeRule::Scale, 0},     {"Sanything", EdgeRule::Scale, 0},
        {"s", EdgeRule::Scale, 0},       {"", EdgeRule::Keep, 0},       {"X", EdgeRule::Keep, 0},
    };
    for (const Case& c : cases) {
        const EdgeAnchor anchor = parseEdgeAnchor(c.field);
        EXPECT_EQ(anchor.rule, c.rule) << c.field;
        EXPECT_EQ(anchor.percent, c.percent) << c.field;
    }
    EXPECT_FALSE(parseAnchorText(""));
    EXPECT_FALSE(parseAnchorText("FL,FT,"));  // six characters: not an anchor text
    EXPECT_TRUE(parseAnchorText("FL,FT,F"));
}

TEST(AnchoredPlacement, FollowsTheWorkedExamplesExactly) {
    struct Case {
        const char* anchors;
        RECT control;
        SIZE recorded, current;
        Placement expected;
    };
    const RECT control{500, 20, 600, 40};
    const Case cases[] = {
        // The parent grows from 681 to 881 wide.
        {"FR,FT,FR,FT", control, {681, 453}, {881, 453}, {700, 20, 100, 20}},
        {"FL,FT,FR,FT", control, {681, 453}, {881, 453}, {500, 20, 300, 20}},
        {"F50,FT,F50,FT", control, {681, 453}, {881, 453}, {600, 20, 100, 20}},
        {"S,FT,S,FT", control, {681, 453}, {881, 453}, {647, 20, 129, 20}},
        {"fl,ft,fr,fb", control, {681, 453}, {881, 653}, {500, 20, 300, 220}},
        {"FL,FT,FL,FT", control, {681, 453}, {1000, 900}, {500, 20, 100, 20}},
        // Growth 201, an edge at 10 with F50: 110.5 rounds to the even 110; 11 gives 111.5 -> 112.
        {"F50,F50,FL,FT", {10, 11, 300, 140}, {681, 453}, {882, 654}, {110, 112, 190, 28}},
        // Shrinking moves right-anchored edges left.
        {"FR,FT,FR,FT", control, {681, 453}, {600, 453}, {419, 20, 100, 20}},
        // Fields that are neither F nor S leave their edge where it was recorded.
        {"X,,FR,FB", control, {681, 453}, {881, 553}, {500, 20, 300, 120}},
        // Scaling from a parent recorded with no extent leaves the edge alone.
        {"S,S,S,S", control, {0, 0}, {881, 553}, {500, 20, 100, 20}},
    };
    for (const Case& c : cases) {
        const std::optional<Anchors> anchors = parseAnchorText(c.anchors);
        ASSERT_TRUE(anchors) << c.anchors;
        const Placement p = anchoredPlacement(*anchors, c.control, c.recorded, c.current);
        EXPECT_EQ(p.x, c.expected.x) << c.anchors;
        EXPECT_EQ(p.y, c.expected.y) << c.anchors;
        EXPECT_EQ(p.width, c.expected.width) << c.anchors;
        EXPECT_EQ(p.height, c.expected.height) << c.anchors;
    }
}

TEST(AnchoredPlacement, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfToEven(110.5f), 110);
    EXPECT_EQ(roundHalfToEven(111.5f), 112);
    EXPECT_EQ(roundHalfToEven(-0.5f), 0);
    EXPECT_EQ(roundHalfToEven(-1.5f), -2);
    EXPECT_EQ(roundHalfToEven(129.37f), 129);
    EXPECT_EQ(roundHalfToEven(1e20f), INT32_MAX);
}

RECT placeOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(AnchorLayout, FollowsTheFormFromTheRecordedGeometry) {
    HWND form = createTestForm();               // client 400 x 300 at the first WM_SIZE after the controls
    HWND stretch = control(form, kSingleEdit);  // FL,FT,FR,FT at 10,10 200 x 24
    HWND both = control(form, kMultiEdit);      // FL,FT,FR,FB at 10,40 200 x 100
    HWND right = control(form, kButton);        // FR,FT,FR,FT at 220,10 80 x 24
    HWND stays = control(form, kLink);          // FL,FT,FL,FT at 10,180
    HWND none = control(form, kLabel);          // no anchor at 10,150
    ASSERT_TRUE(windowRecord(stretch)->geometryCaptured);

    setClientSize(form, 500, 350);
    EXPECT_EQ(placeOf(stretch).right, 310);
    EXPECT_EQ(placeOf(both).bottom, 190);
    EXPECT_EQ(placeOf(right).left, 320);
    EXPECT_EQ(placeOf(stays).left, 10);
    EXPECT_EQ(placeOf(none).top, 150);

    // Minimised, nothing moves; restored, the layout is computed again from the recorded state.
    ShowWindow(form, SW_MINIMIZE);
    EXPECT_EQ(placeOf(right).left, 320);
    ShowWindow(form, SW_RESTORE);
    setClientSize(form, 300, 300);
    EXPECT_EQ(placeOf(right).left, 120);
    EXPECT_EQ(placeOf(stretch).right, 110);
    setClientSize(form, 400, 300);
    EXPECT_EQ(placeOf(right).left, 220);
    EXPECT_EQ(placeOf(both).right, 210);
    EXPECT_EQ(placeOf(both).bottom, 140);
    DestroyWindow(form);
}

// A control set up after the form's last WM_SIZE is recorded where it stands when the form asks
// for it, not at whatever size the next WM_SIZE brings.
TEST(AnchorLayout, RecordsOnRequestBeforeAnyFurtherSize) {
    HWND form = createTestForm();
    const ControlRow row = {"LATE",
                            1100,
                            "Button",
                            "late",
                            300,
                            250,
                            50,
                            20,
                            WS_CHILD | WS_VISIBLE,
                            0,
                            "",
                            0,
                            0,
                            0,
                            0,
                            0,
                            kBrushFromBackground,
                            "FR,FB,FR,FB"};
    HWND late = createControl(form, row);
    ASSERT_TRUE(late);
    EXPECT_FALSE(windowRecord(late)->geometryCaptured);
    captureAnchorGeometry(form);
    ASSERT_TRUE(windowRecord(late)->geometryCaptured);
    setClientSize(form, 500, 350);
    EXPECT_EQ(placeOf(late).left, 400);
    EXPECT_EQ(placeOf(late).top, 300);
    DestroyWindow(form);
}

}  // namespace
}  // namespace trelk::test
