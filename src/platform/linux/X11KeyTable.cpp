#include "platform/linux/X11KeyTable.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>

namespace tarsel::x11keys {
namespace {

constexpr uint64_t kCommand = 0x100000, kShift = 0x20000, kControl = 0x40000, kOption = 0x80000,
                   kSuper = 0x1000000;

// Physical keys of the ANSI/ISO Mac keyboard. F13-F15 are where a PC keyboard
// has Print, Scroll Lock and Pause (macOS reports those keys as F13-F15).
constexpr std::array<MacKey, 118> kKeys{{
    {0, XK_a, 30},
    {1, XK_s, 31},
    {2, XK_d, 32},
    {3, XK_f, 33},
    {4, XK_h, 35},
    {5, XK_g, 34},
    {6, XK_z, 44},
    {7, XK_x, 45},
    {8, XK_c, 46},
    {9, XK_v, 47},
    {10, XK_less, 86},
    {11, XK_b, 48},
    {12, XK_q, 16},
    {13, XK_w, 17},
    {14, XK_e, 18},
    {15, XK_r, 19},
    {16, XK_y, 21},
    {17, XK_t, 20},
    {18, XK_1, 2},
    {19, XK_2, 3},
    {20, XK_3, 4},
    {21, XK_4, 5},
    {22, XK_6, 7},
    {23, XK_5, 6},
    {24, XK_equal, 13},
    {25, XK_9, 10},
    {26, XK_7, 8},
    {27, XK_minus, 12},
    {28, XK_8, 9},
    {29, XK_0, 11},
    {30, XK_bracketright, 27},
    {31, XK_o, 24},
    {32, XK_u, 22},
    {33, XK_bracketleft, 26},
    {34, XK_i, 23},
    {35, XK_p, 25},
    {36, XK_Return, 28},
    {37, XK_l, 38},
    {38, XK_j, 36},
    {39, XK_apostrophe, 40},
    {40, XK_k, 37},
    {41, XK_semicolon, 39},
    {42, XK_backslash, 43},
    {43, XK_comma, 51},
    {44, XK_slash, 53},
    {45, XK_n, 49},
    {46, XK_m, 50},
    {47, XK_period, 52},
    {48, XK_Tab, 15},
    {49, XK_space, 57},
    {50, XK_grave, 41},
    {51, XK_BackSpace, 14},
    {53, XK_Escape, 1},
    {54, XK_Super_R, 126},
    {55, XK_Super_L, 125},
    {56, XK_Shift_L, 42},
    {57, XK_Caps_Lock, 58},
    {58, XK_Alt_L, 56},
    {59, XK_Control_L, 29},
    {60, XK_Shift_R, 54},
    {61, XK_Alt_R, 100},
    {62, XK_Control_R, 97},
    {64, XK_F17, 187},
    {65, XK_KP_Decimal, 83},
    {67, XK_KP_Multiply, 55},
    {69, XK_KP_Add, 78},
    {71, XK_Num_Lock, 69},
    {72, XF86XK_AudioRaiseVolume, 115},
    {73, XF86XK_AudioLowerVolume, 114},
    {74, XF86XK_AudioMute, 113},
    {75, XK_KP_Divide, 98},
    {76, XK_KP_Enter, 96},
    {78, XK_KP_Subtract, 74},
    {79, XK_F18, 188},
    {80, XK_F19, 189},
    {81, XK_KP_Equal, 117},
    {82, XK_KP_0, 82},
    {83, XK_KP_1, 79},
    {84, XK_KP_2, 80},
    {85, XK_KP_3, 81},
    {86, XK_KP_4, 75},
    {87, XK_KP_5, 76},
    {88, XK_KP_6, 77},
    {89, XK_KP_7, 71},
    {90, XK_F20, 190},
    {91, XK_KP_8, 72},
    {92, XK_KP_9, 73},
    {96, XK_F5, 63},
    {97, XK_F6, 64},
    {98, XK_F7, 65},
    {99, XK_F3, 61},
    {100, XK_F8, 66},
    {101, XK_F9, 67},
    {102, XK_Hangul_Hanja, 123},
    {103, XK_F11, 87},
    {104, XK_Hangul, 122},
    {105, XK_Print, 99},
    {106, XK_F16, 186},
    {107, XK_Scroll_Lock, 70},
    {109, XK_F10, 68},
    {110, XK_Menu, 127},
    {111, XK_F12, 88},
    {113, XK_Pause, 119},
    {114, XK_Insert, 110},
    {115, XK_Home, 102},
    {116, XK_Prior, 104},
    {117, XK_Delete, 111},
    {118, XK_F4, 62},
    {119, XK_End, 107},
    {120, XK_F2, 60},
    {121, XK_Next, 109},
    {122, XK_F1, 59},
    {123, XK_Left, 105},
    {124, XK_Right, 106},
    {125, XK_Down, 108},
    {126, XK_Up, 103},
    {144, XF86XK_MonBrightnessUp, 225},
    {145, XF86XK_MonBrightnessDown, 224},
}};
static_assert(kKeys.back().mac == 145, "every slot of the table is filled");

struct WholeChord {
    uint16_t mac;
    uint64_t flags;  // exactly these of Command, Shift, Control, Option
    Chord chord;
};

// Where a Linux desktop answers another chord than Command-as-Control gives.
const std::array<WholeChord, 12> kWholeChords{{
    {48, kCommand, {XK_Tab, 15, alt}},                      // switch application
    {12, kCommand | kControl, {XK_l, 38, super}},           // lock screen
    {20, kCommand | kShift, {XK_Print, 99, 0}},             // screenshot, whole screen
    {21, kCommand | kShift, {XK_Print, 99, shift}},         // screenshot, area
    {33, kCommand, {XK_Left, 105, alt}},                    // back
    {30, kCommand, {XK_Right, 106, alt}},                   // forward
    {33, kCommand | kShift, {XK_Prior, 104, ctrl}},         // previous tab
    {30, kCommand | kShift, {XK_Next, 109, ctrl}},          // next tab
    {24, kCommand | kOption, {XK_equal, 13, super | alt}},  // zoom in (magnifier)
    {27, kCommand | kOption, {XK_minus, 12, super | alt}},  // zoom out (magnifier)
    {53, kCommand | kOption, {XK_Escape, 1, ctrl | alt}},   // force quit
    {3, kCommand | kControl, {XK_F11, 87, 0}},              // full screen
}};

}  // namespace

unsigned modifiersFor(uint64_t flags) {
    unsigned m = 0;
    if (flags & (kCommand | kControl)) m |= ctrl;
    if (flags & kShift) m |= shift;
    if (flags & kOption) m |= alt;
    if (flags & kSuper) m |= super;
    return m;
}

std::optional<MacKey> macKey(uint16_t code) {
    for (const auto& k : kKeys)
        if (k.mac == code) return k;
    return std::nullopt;
}

std::optional<Chord> translate(uint16_t code, uint64_t flags) {
    const uint64_t chordFlags = flags & (kCommand | kShift | kControl | kOption);
    for (const auto& w : kWholeChords)
        if (w.mac == code && w.flags == chordFlags) return w.chord;
    auto key = macKey(code);
    if (!key) return std::nullopt;
    return Chord{key->keysym, key->evdev, modifiersFor(flags)};
}

}  // namespace tarsel::x11keys
