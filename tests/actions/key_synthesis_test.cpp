#include <gtest/gtest.h>

#include <fcntl.h>

#include <set>

#include "actions_test_support.h"
#include "platform/key_synthesis.h"
#include "platform/uinput_keys.h"
#include "platform/vk_keysym.h"
#include "platform/xtest_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

TEST(VirtualKeyTable, CoversEveryActionKeyInBothNamings) {
    const uint8_t used[] = {17, 164, 91, 9, 115, 'X', 'C', 'V', 'Z', 'A', 'F', 'N', 'P', 'S', 'E', 'R', 'D'};
    for (uint8_t vk : used) {
        EXPECT_NE(platform::keysymForVirtualKey(vk), 0u) << int(vk);
        EXPECT_NE(platform::linuxKeyCodeForVirtualKey(vk), 0u) << int(vk);
    }
    EXPECT_EQ(platform::keysymForVirtualKey(17), static_cast<uint32_t>(XK_Control_L));
    EXPECT_EQ(platform::keysymForVirtualKey(164), static_cast<uint32_t>(XK_Alt_L));
    EXPECT_EQ(platform::keysymForVirtualKey(91), static_cast<uint32_t>(XK_Super_L));
    EXPECT_EQ(platform::keysymForVirtualKey(115), static_cast<uint32_t>(XK_F4));
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(17), KEY_LEFTCTRL);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(164), KEY_LEFTALT);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(91), KEY_LEFTMETA);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(9), KEY_TAB);
}

TEST(VirtualKeyTable, LettersDigitsAndFunctionKeysAreComplete) {
    const uint16_t letterCodes[26] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                      KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                      KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(platform::keysymForVirtualKey(static_cast<uint8_t>('A' + i)), static_cast<uint32_t>(XK_a + i));
        EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(static_cast<uint8_t>('A' + i)), letterCodes[i]);
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(platform::keysymForVirtualKey(static_cast<uint8_t>('0' + i)), static_cast<uint32_t>(XK_0 + i));
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey('0'), KEY_0);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey('1'), KEY_1);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(platform::keysymForVirtualKey(static_cast<uint8_t>(0x70 + i)), static_cast<uint32_t>(XK_F1 + i));
        EXPECT_NE(platform::linuxKeyCodeForVirtualKey(static_cast<uint8_t>(0x70 + i)), 0u);
    }
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(0x7B), KEY_F12);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(0x7C), KEY_F13);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(0x87), KEY_F24);
}

TEST(VirtualKeyTable, EntriesAreUniqueSortedAndFullyMapped) {
    auto table = platform::virtualKeyTable();
    ASSERT_GT(table.size(), 130u);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_NE(table[i].keysym, 0u) << int(table[i].virtualKey);
        EXPECT_NE(table[i].linuxCode, 0u) << int(table[i].virtualKey);
        if (i > 0) {
            EXPECT_LT(table[i - 1].virtualKey, table[i].virtualKey);
        }
        EXPECT_EQ(platform::keysymForVirtualKey(table[i].virtualKey), table[i].keysym);
    }
    // Unmapped keys answer 0 in both namings.
    for (uint8_t vk : {0, 1, 0x0A, 0xFF, 0xE5}) {
        EXPECT_EQ(platform::keysymForVirtualKey(vk), 0u) << int(vk);
        EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(vk), 0u) << int(vk);
    }
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(0xA3), KEY_RIGHTCTRL);
    EXPECT_EQ(platform::linuxKeyCodeForVirtualKey(0xA1), KEY_RIGHTSHIFT);
    EXPECT_EQ(platform::keysymForVirtualKey(0xBA), static_cast<uint32_t>(XK_semicolon));
    EXPECT_EQ(platform::keysymForVirtualKey(0xAD), static_cast<uint32_t>(XF86XK_AudioMute));
}

TEST(KeyBackendChoice, XTestFirstThenUinputThenNothing) {
    using platform::KeyBackendKind;
    EXPECT_EQ(platform::chooseKeyBackend(true, true), KeyBackendKind::XTest);
    EXPECT_EQ(platform::chooseKeyBackend(true, false), KeyBackendKind::XTest);
    EXPECT_EQ(platform::chooseKeyBackend(false, true), KeyBackendKind::Uinput);
    EXPECT_EQ(platform::chooseKeyBackend(false, false), KeyBackendKind::Nothing);
}

TEST(KeyBackendChoice, WithoutDisplayOrUinputTheNoOpBackendRefusesEvents) {
    actions_test::IsolatedEnvironment env;
    auto keys = platform::makeKeySynthesizer(env.configHome() + "/no-uinput");
    ASSERT_TRUE(keys);
    EXPECT_STREQ(keys->backendName(), "none");
    EXPECT_FALSE(keys->keyEvent(17, 1));
    EXPECT_FALSE(keys->keyEvent(17, 3));

    // A writable path that is not a uinput device fails its set-up and is not chosen either.
    const std::string fake = env.configHome() + "/uinput";
    int fd = open(fake.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(platform::UinputKeySynthesizer::create(fake), nullptr);
    EXPECT_STREQ(platform::makeKeySynthesizer(fake)->backendName(), "none");
}

TEST(KeyBackendChoice, UnreachableDisplayIsNotChosen) {
    actions_test::IsolatedEnvironment env;
    setenv("DISPLAY", ":4093", 1);  // no server there
    EXPECT_EQ(platform::XTestKeySynthesizer::open(), nullptr);
    EXPECT_STREQ(platform::makeKeySynthesizer("")->backendName(), "none");
}
