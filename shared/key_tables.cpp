#include "shared/key_tables.h"

#include "shared/text_decoding.h"

#include <iterator>

#include "platform/keyboard_layout.h"

namespace {

// Virtual key ↔ HID usage of a 104-key keyboard. The generic Shift, Ctrl and Alt keys
// (16, 17, 18) have no usage; the sided modifier keys do.
constexpr KeyPair kVirtualKeyUsage[] = {
    // letters A..Z
    {65, 4}, {66, 5}, {67, 6}, {68, 7}, {69, 8}, {70, 9}, {71, 10}, {72, 11}, {73, 12},
    {74, 13}, {75, 14}, {76, 15}, {77, 16}, {78, 17}, {79, 18}, {80, 19}, {81, 20}, {82, 21},
    {83, 22}, {84, 23}, {85, 24}, {86, 25}, {87, 26}, {88, 27}, {89, 28}, {90, 29},
    // digits 1..9, 0
    {49, 30}, {50, 31}, {51, 32}, {52, 33}, {53, 34}, {54, 35}, {55, 36}, {56, 37}, {57, 38},
    {48, 39},
    // Enter, Esc, Backspace, Tab, Space
    {13, 40}, {27, 41}, {8, 42}, {9, 43}, {32, 44},
    // - = [ ] \ ; ' ` , . /
    {189, 45}, {187, 46}, {219, 47}, {221, 48}, {220, 49}, {186, 51}, {222, 52}, {192, 53},
    {188, 54}, {190, 55}, {191, 56},
    // Caps Lock, F1..F12
    {20, 57}, {112, 58}, {113, 59}, {114, 60}, {115, 61}, {116, 62}, {117, 63}, {118, 64},
    {119, 65}, {120, 66}, {121, 67}, {122, 68}, {123, 69},
    // Print Screen (VK_PRINT), Scroll Lock, Pause
    {42, 70}, {145, 71}, {19, 72},
    // Insert, Home, Page Up, Delete, End, Page Down, Right, Left, Down, Up
    {45, 73}, {36, 74}, {33, 75}, {46, 76}, {35, 77}, {34, 78}, {39, 79}, {37, 80}, {40, 81},
    {38, 82},
    // Num Lock and the keypad: / * - + Enter 1..9 0 .
    {144, 83}, {111, 84}, {106, 85}, {109, 86}, {107, 87}, {108, 88}, {97, 89}, {98, 90},
    {99, 91}, {100, 92}, {101, 93}, {102, 94}, {103, 95}, {104, 96}, {105, 97}, {96, 98},
    {110, 99},
    // Apps
    {93, 101},
    // LCtrl, LShift, LAlt, LWin, RCtrl, RShift, RAlt, RWin
    {162, 224}, {160, 225}, {164, 226}, {91, 227}, {163, 228}, {161, 229}, {165, 230},
    {92, 231},
};
static_assert(std::size(kVirtualKeyUsage) == 104);

// Key position code ↔ virtual key, codes 16..159 (156 twice).
constexpr KeyPair kPositionVirtualKey[] = {
    {16, 192}, {17, 49}, {18, 81}, {19, 9}, {20, 65}, {21, 27}, {22, 90}, {23, 0},
    {24, 112}, {25, 50}, {26, 87}, {27, 20}, {28, 83}, {29, 0}, {30, 88}, {31, 0},
    {32, 113}, {33, 51}, {34, 69}, {35, 114}, {36, 68}, {37, 115}, {38, 67}, {39, 0},
    {40, 53}, {41, 52}, {42, 82}, {43, 84}, {44, 70}, {45, 71}, {46, 86}, {47, 66},
    {48, 54}, {49, 55}, {50, 85}, {51, 89}, {52, 74}, {53, 72}, {54, 77}, {55, 78},
    {56, 187}, {57, 56}, {58, 73}, {59, 221}, {60, 75}, {61, 117}, {62, 188}, {63, 0},
    {64, 119}, {65, 57}, {66, 79}, {67, 118}, {68, 76}, {69, 0}, {70, 190}, {71, 0},
    {72, 189}, {73, 48}, {74, 80}, {75, 219}, {76, 186}, {77, 222}, {78, 0}, {79, 191},
    {80, 120}, {81, 121}, {82, 0}, {83, 8}, {84, 220}, {85, 116}, {86, 13}, {87, 32},
    {88, 45}, {89, 123}, {90, 104}, {91, 101}, {92, 98}, {93, 96}, {94, 111}, {95, 39},
    {96, 46}, {97, 122}, {98, 103}, {99, 100}, {100, 97}, {101, 0}, {102, 144}, {103, 40},
    {104, 33}, {105, 34}, {106, 105}, {107, 102}, {108, 99}, {109, 110}, {110, 106}, {111, 109},
    {112, 36}, {113, 35}, {114, 107}, {115, 0}, {116, 108}, {117, 38}, {118, 19}, {119, 37},
    {120, 0}, {121, 145}, {122, 44}, {123, 0}, {124, 0}, {125, 164}, {126, 0}, {127, 165},
    {128, 0}, {129, 0}, {130, 0}, {131, 160}, {132, 0}, {133, 0}, {134, 161}, {135, 0},
    {136, 162}, {137, 0}, {138, 0}, {139, 0}, {140, 0}, {141, 0}, {142, 163}, {143, 173},
    {144, 181}, {145, 179}, {146, 178}, {147, 177}, {148, 177}, {149, 0}, {150, 175}, {151, 174},
    {152, 0}, {153, 172}, {154, 93}, {155, 0}, {156, 91}, {156, 92}, {157, 0}, {158, 0},
    {159, 251},
};
static_assert(std::size(kPositionVirtualKey) == 145);

struct PositionName {
    uint32_t code;
    const char* name;
};

// Names of the key positions; 1, 2 and 4 are replaced by strings-file texts.
constexpr PositionName kPositionNames[] = {
    {1, "CLICK"},
    {2, "MENU"},
    {4, "MIDDLE"},
    {16, "~"},
    {17, "1"},
    {18, "Q"},
    {19, "TAB"},
    {20, "A"},
    {21, "ESC"},
    {22, "Z"},
    {23, "(MuHenkan)"},
    {24, "F1"},
    {25, "2"},
    {26, "W"},
    {27, "Caps Lock"},
    {28, "S"},
    {30, "X"},
    {32, "F2"},
    {33, "3"},
    {34, "E"},
    {35, "F3"},
    {36, "D"},
    {37, "F4"},
    {38, "C"},
    {39, "Hanguel(Korean)"},
    {40, "5"},
    {41, "4"},
    {42, "R"},
    {43, "T"},
    {44, "F"},
    {45, "G"},
    {46, "V"},
    {47, "B"},
    {48, "6"},
    {49, "7"},
    {50, "U"},
    {51, "Y"},
    {52, "J"},
    {53, "H"},
    {54, "M"},
    {55, "N"},
    {56, "="},
    {57, "8"},
    {58, "I"},
    {59, "]"},
    {60, "K"},
    {61, "F6"},
    {62, ","},
    {63, "`(Dos/v)"},
    {64, "F8"},
    {65, "9"},
    {66, "O"},
    {67, "F7"},
    {68, "L"},
    {69, "Henkan(Dos/v)"},
    {70, "."},
    {71, "Katakana(Dos/v)"},
    {72, "-"},
    {73, "0"},
    {74, "P"},
    {75, "["},
    {76, ";"},
    {77, "'"},
    {78, "$/}(102W)"},
    {79, "/"},
    {80, "F9"},
    {81, "F10"},
    {82, "V-(Dos/v)"},
    {83, "Backspace"},
    {84, "\\"},
    {85, "F5"},
    {86, "Enter"},
    {87, "Space Bar"},
    {88, "Insert"},
    {89, "F12"},
    {90, "Num 8"},
    {91, "Num 5"},
    {92, "Num 2"},
    {93, "Num 0"},
    {94, "Num /"},
    {95, "Right"},
    {96, "Delete"},
    {97, "F11"},
    {98, "Num 7"},
    {99, "Num 4"},
    {100, "Num 1"},
    {101, "NA"},
    {102, "Num Lock"},
    {103, "Down"},
    {104, "Pageup"},
    {105, "Pagedown"},
    {106, "Num 9"},
    {107, "Num 6"},
    {108, "Num 3"},
    {109, "Num del"},
    {110, "Num *"},
    {111, "Num -"},
    {112, "Home"},
    {113, "End"},
    {114, "Num +"},
    {115, "NA"},
    {116, "Num Enter"},
    {117, "Up"},
    {118, "Pause/Break"},
    {119, "Left"},
    {120, "NA"},
    {121, "Scroll Lock"},
    {122, "PrtScr"},
    {123, "NA"},
    {124, "NA"},
    {125, "Alt"},
    {127, "Right Alt"},
    {131, "Shift"},
    {134, "Right Shift"},
    {135, "Profile"},
    {136, "Ctrl"},
    {142, "Right Ctrl"},
    {143, "Mute"},
    {154, "Application"},
    {155, "DPad NE"},
    {156, "Win"},
    {157, "DPad SE"},
    {158, "DPad SW"},
    {159, "DPad NW"},
    {244, "Left Windows"},
    {245, "Right Windows"},
};

struct VirtualKeyName {
    uint32_t vk;
    const char* name;
};

constexpr VirtualKeyName kVirtualKeyNames[] = {
    {8, "Backspace"}, {9, "Tab"},        {12, "Clear"},     {13, "Enter"},  {16, "Shift"},
    {17, "Ctrl"},     {18, "Alt"},       {19, "Pause"},     {20, "CapsLock"}, {27, "Esc"},
    {32, "Space"},    {33, "PageUp"},    {34, "PageDown"},  {35, "End"},    {36, "Home"},
    {37, "Left"},     {38, "Up"},        {39, "Right"},     {40, "Down"},   {41, "Select"},
    {42, "Print"},    {43, "Exe"},       {44, "Snapshot"},  {45, "Ins"},    {46, "Del"},
    {47, "Help"},     {96, "Num0"},      {97, "Num1"},      {98, "Num2"},   {99, "Num3"},
    {100, "Num4"},    {101, "Num5"},     {102, "Num6"},     {103, "Num7"},  {104, "Num8"},
    {105, "Num9"},    {106, "Num*"},     {107, "Num+"},     {108, "Enter"}, {109, "Num-"},
    {110, "Num."},    {111, "Num/"},     {112, "F1"},       {113, "F2"},    {114, "F3"},
    {115, "F4"},      {116, "F5"},       {117, "F6"},       {118, "F7"},    {119, "F8"},
    {120, "F9"},      {121, "F10"},      {122, "F11"},      {123, "F12"},   {144, "Numlock"},
    {145, "Scrl"},    {160, "LShift"},   {161, "RShift"},   {162, "LCtrl"}, {163, "RCtrl"},
    {164, "LAlt"},    {165, "RAlt"},
};

}  // namespace

const KeyPair* virtualKeyUsageTable(int* count) {
    if (count) *count = static_cast<int>(std::size(kVirtualKeyUsage));
    return kVirtualKeyUsage;
}

const KeyPair* positionVirtualKeyTable(int* count) {
    if (count) *count = static_cast<int>(std::size(kPositionVirtualKey));
    return kPositionVirtualKey;
}

bool hidUsageToVirtualKey(uint32_t usage, uint32_t* virtualKey) {
    bool found = false;
    uint32_t result = 0;
    for (const auto& p : kVirtualKeyUsage) {
        if (p.second == usage) {
            result = p.first;
            found = true;
        }
    }
    if (found && virtualKey) *virtualKey = result;
    return found;
}

bool virtualKeyToHidUsage(uint32_t virtualKey, uint32_t* usage) {
    bool found = false;
    uint32_t result = 0;
    for (const auto& p : kVirtualKeyUsage) {
        if (p.first == virtualKey) {
            result = p.second;
            found = true;
        }
    }
    if (found && usage) *usage = result;
    return found;
}

uint32_t virtualKeyToPosition(uint32_t virtualKey) {
    // 0 in the table marks a position without a Windows key; matching it would turn "no key"
    // into a real position (the last such pair, "DPad SW").
    if (virtualKey == 0) return 0;
    uint32_t result = 0;
    for (const auto& p : kPositionVirtualKey)
        if (p.second == virtualKey) result = p.first;
    return result;
}

std::string virtualKeyName(uint32_t virtualKey) {
    for (const auto& n : kVirtualKeyNames)
        if (n.vk == virtualKey) return n.name;
    const uint32_t cp = platform::characterForVirtualKey(virtualKey);
    std::string name;
    // Control characters (and no character at all) give no readable name.
    if (cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) && cp <= 0x10FFFF &&
        !(cp >= 0xD800 && cp <= 0xDFFF))
        textcodec::appendUtf8(name, cp);
    return name;
}

std::string_view fixedKeyPositionName(uint32_t positionCode) {
    if (positionCode == 1 || positionCode == 2 || positionCode == 4) return {};
    for (const auto& n : kPositionNames)
        if (n.code == positionCode) return n.name;
    return {};
}

std::string keyPositionName(uint32_t positionCode, const StringLookup& lookup) {
    const char* key = nullptr;
    switch (positionCode) {
        case 1: key = "CLICK"; break;
        case 2: key = "MENU"; break;
        case 4: key = "MIDDLE"; break;
        default: return std::string(fixedKeyPositionName(positionCode));
    }
    return lookup ? lookup("BUTTONPAGE", key) : std::string();
}

std::string singleKeyButtonLabel(uint32_t usage) {
    uint32_t vk = 0;
    if (!hidUsageToVirtualKey(usage, &vk)) return "key";
    return virtualKeyName(vk);
}

std::string macroKeyName(uint32_t usage, const StringLookup& lookup) {
    uint32_t vk = 0;
    if (!hidUsageToVirtualKey(usage, &vk)) return {};
    return keyPositionName(virtualKeyToPosition(vk), lookup);
}
