// X keys and buttons → the reports of the capture plugin.
#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include "hook/raw_event_mapping.h"

using kbhook::keyReport;
using kbhook::mouseMessageForButton;
using kbhook::virtualKeyForKey;

TEST(RawEventMapping, KeysymsGiveTheirVirtualKeyAndExtendedFlag) {
    struct Case {
        uint32_t keysym;
        uint32_t keycode;  // evdev keycode of the US layout; only the fallback looks at it
        int code;
        bool extended;
    };
    const Case cases[] = {
        {XK_a, 38, 'A', false},         {XK_A, 38, 'A', false},
        {XK_7, 16, '7', false},         {XK_F1, 67, 112, false},
        {XK_F12, 96, 123, false},       {XK_Return, 36, 13, false},
        {XK_KP_Enter, 104, 13, true},   {XK_Shift_L, 50, 160, false},
        {XK_Shift_R, 62, 161, false},   {XK_Control_L, 37, 162, false},
        {XK_Control_R, 105, 163, true}, {XK_Alt_L, 64, 164, false},
        {XK_Alt_R, 108, 165, true},     {XK_ISO_Level3_Shift, 108, 165, true},
        {XK_Super_L, 133, 91, true},    {XK_Super_R, 134, 92, true},
        {XK_Left, 113, 37, true},       {XK_Delete, 119, 46, true},
        {XK_Prior, 112, 33, true},      {XK_KP_Home, 79, 103, false},
        {XK_KP_7, 79, 103, false},      {XK_KP_Delete, 91, 110, false},
        {XK_KP_Divide, 106, 111, true}, {XK_Print, 107, 42, true},
        {XK_semicolon, 47, 186, false}, {XK_Escape, 9, 27, false},
        // A keysym of another layout falls back to the physical key.
        {XK_odiaeresis, 47, 186, false},
        {XK_eacute, 11, '2', false},
        // Nothing at all: no report.
        {XK_VoidSymbol, 0, 0, false},   {NoSymbol, 8, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "keysym 0x" << std::hex << c.keysym);
        const kbhook::VirtualKey vk = virtualKeyForKey(c.keysym, c.keycode);
        EXPECT_EQ(vk.code, c.code);
        EXPECT_EQ(vk.extended, c.extended);
    }
}

TEST(RawEventMapping, KeyReportsCarryPressReleaseAndExtendedFlags) {
    EXPECT_EQ(keyReport(XK_a, 38, true), (kbhook::Report{2258, 'A', 0}));
    EXPECT_EQ(keyReport(XK_a, 38, false), (kbhook::Report{2258, 'A', 128}));
    EXPECT_EQ(keyReport(XK_KP_Enter, 104, true), (kbhook::Report{2258, 13, 1}));
    EXPECT_EQ(keyReport(XK_KP_Enter, 104, false), (kbhook::Report{2258, 13, 129}));
    EXPECT_FALSE(keyReport(XK_VoidSymbol, 0, true).has_value());
}

TEST(RawEventMapping, OnlyTheThreeMainButtonsAreReported) {
    EXPECT_EQ(mouseMessageForButton(1, true), 513);
    EXPECT_EQ(mouseMessageForButton(1, false), 514);
    EXPECT_EQ(mouseMessageForButton(3, true), 516);
    EXPECT_EQ(mouseMessageForButton(3, false), 517);
    EXPECT_EQ(mouseMessageForButton(2, true), 519);
    EXPECT_EQ(mouseMessageForButton(2, false), 520);
    for (uint32_t wheelOrSide : {0u, 4u, 5u, 6u, 7u, 8u, 9u}) EXPECT_EQ(mouseMessageForButton(wheelOrSide, true), 0);
}
