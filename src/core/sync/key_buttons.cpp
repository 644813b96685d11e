#include "core/sync/key_buttons.h"

#include <algorithm>

namespace quorvane {

// Control id, key and LED of each key of the picture, in the picture's order.
const std::array<KeyButton, kKeyButtonCount> KEY_BUTTONS = {{
    {1058, 0x1E, 64},   {1075, 0x30, 90},   {1073, 0x2E, 88},   {1060, 0x20, 66},
    {1046, 0x12, 45},   {1061, 0x21, 67},   {1062, 0x22, 68},   {1063, 0x23, 69},
    {1051, 0x17, 50},   {1064, 0x24, 70},   {1065, 0x25, 71},   {1066, 0x26, 72},
    {1077, 0x32, 92},   {1076, 0x31, 91},   {1052, 0x18, 51},   {1053, 0x19, 52},
    {1044, 0x10, 43},   {1047, 0x13, 46},   {1059, 0x1F, 65},   {1048, 0x14, 47},
    {1050, 0x16, 49},   {1074, 0x2F, 89},   {1045, 0x11, 44},   {1072, 0x2D, 87},
    {1049, 0x15, 48},   {1071, 0x2C, 86},   {1030, 0x02, 22},   {1031, 0x03, 23},
    {1032, 0x04, 24},   {1033, 0x05, 25},   {1034, 0x06, 26},   {1035, 0x07, 27},
    {1036, 0x08, 28},   {1037, 0x09, 29},   {1038, 0x0A, 30},   {1039, 0x0B, 31},
    {1070, 0x1C, 76},   {1022, 0x01, 0},    {1043, 0x0E, 34},   {1056, 0x0F, 42},
    {1090, 0x39, 108},  {1040, 0x0C, 32},   {1041, 0x0D, 33},   {1054, 0x1A, 53},
    {1055, 0x1B, 54},   {1042, 0x2B, 55},   {1067, 0x27, 73},   {1068, 0x28, 74},
    {1029, 0x29, 21},   {1078, 0x33, 93},   {1079, 0x34, 94},   {1080, 0x35, 95},
    {1010, 0x3B, 1},    {1011, 0x3C, 2},    {1012, 0x3D, 3},    {1013, 0x3E, 4},
    {1014, 0x3F, 5},    {1015, 0x40, 6},    {1023, 0x41, 7},    {1024, 0x42, 8},
    {1025, 0x43, 9},    {1026, 0x44, 10},   {1027, 0x57, 11},   {1028, 0x58, 12},
    {1091, 0x137, 14},  {1093, 0x45, 16},   {1094, 0x152, 35},  {1097, 0x153, 56},
    {1095, 0x147, 36},  {1098, 0x14F, 57},  {1096, 0x149, 37},  {1099, 0x151, 58},
    {1103, 0x148, 99},  {1101, 0x150, 120}, {1100, 0x14B, 119}, {1102, 0x14D, 121},
    {1092, 0x46, 15},   {1069, 0x3A, 63},   {1088, 0x15D, 111}, {1083, 0x1D, 105},
    {1089, 0x11D, 113}, {1082, 0x2A, 84},   {1081, 0x36, 97},   {1085, 0x38, 107},
    {1086, 0x138, 109}, {1084, 0x15B, 106}, {1087, 0x15C, 112}, {1115, 0x4F, 101},
    {1116, 0x50, 102},  {1117, 0x51, 103},  {1112, 0x4B, 80},   {1113, 0x4C, 81},
    {1114, 0x4D, 82},   {1108, 0x47, 59},   {1109, 0x48, 60},   {1110, 0x49, 61},
    {1120, 0x52, 123},  {1104, 0x145, 38},  {1118, 0x11C, 104}, {1119, 0x53, 124},
    {1105, 0x135, 39},  {1106, 0x37, 40},   {1107, 0x4A, 41},   {1111, 0x4E, 62},
}};

const std::array<KeyId, kKeyButtonCount>& pictureKeys() {
    static const std::array<KeyId, kKeyButtonCount> kEys = [] {
        std::array<KeyId, kKeyButtonCount> out{};
        std::transform(KEY_BUTTONS.begin(), KEY_BUTTONS.end(), out.begin(),
                       [](const KeyButton& b) { return b.key; });
        return out;
    }();
    return kEys;
}

int ledOfButton(int controlId) {
    if (std::find(G_KEY_IDS.begin(), G_KEY_IDS.end(), controlId) != G_KEY_IDS.end()) {
        return kGKeyLed;
    }
    if (controlId == kFnButtonId) {
        return kFnLed;
    }
    for (const KeyButton& b : KEY_BUTTONS) {
        if (b.controlId == controlId) {
            return b.led;
        }
    }
    return 0;
}

}  // namespace quorvane
