// The keys of the keyboard picture: each key's KeyId and LED (the index of its
// colour in a colour bank), in the picture's order, and the LEDs of the keys
// the picture adds (the G keys and Fn). The core needs them for the per-key
// colours and for restoring a profile's default keys; the window maps its
// control ids onto this order (core/window/key_buttons.h).
#pragma once

#include <array>
#include <cstddef>

#include "core/keys/key_id.h"

namespace quorvane {

struct PictureKey {
    KeyId key = 0;
    int led = 0;
};

inline constexpr std::size_t kPictureKeyCount = 104;
inline constexpr int kFnLed = 110;
inline constexpr int kGKeyLed = 125;  // the nine G keys share one colour

inline constexpr std::array<PictureKey, kPictureKeyCount> kPictureKeys = {{
    {0x1E, 64},   {0x30, 90},   {0x2E, 88},   {0x20, 66},   {0x12, 45},   {0x21, 67},   {0x22, 68},
    {0x23, 69},   {0x17, 50},   {0x24, 70},   {0x25, 71},   {0x26, 72},   {0x32, 92},   {0x31, 91},
    {0x18, 51},   {0x19, 52},   {0x10, 43},   {0x13, 46},   {0x1F, 65},   {0x14, 47},   {0x16, 49},
    {0x2F, 89},   {0x11, 44},   {0x2D, 87},   {0x15, 48},   {0x2C, 86},   {0x02, 22},   {0x03, 23},
    {0x04, 24},   {0x05, 25},   {0x06, 26},   {0x07, 27},   {0x08, 28},   {0x09, 29},   {0x0A, 30},
    {0x0B, 31},   {0x1C, 76},   {0x01, 0},    {0x0E, 34},   {0x0F, 42},   {0x39, 108},  {0x0C, 32},
    {0x0D, 33},   {0x1A, 53},   {0x1B, 54},   {0x2B, 55},   {0x27, 73},   {0x28, 74},   {0x29, 21},
    {0x33, 93},   {0x34, 94},   {0x35, 95},   {0x3B, 1},    {0x3C, 2},    {0x3D, 3},    {0x3E, 4},
    {0x3F, 5},    {0x40, 6},    {0x41, 7},    {0x42, 8},    {0x43, 9},    {0x44, 10},   {0x57, 11},
    {0x58, 12},   {0x137, 14},  {0x45, 16},   {0x152, 35},  {0x153, 56},  {0x147, 36},  {0x14F, 57},
    {0x149, 37},  {0x151, 58},  {0x148, 99},  {0x150, 120}, {0x14B, 119}, {0x14D, 121}, {0x46, 15},
    {0x3A, 63},   {0x15D, 111}, {0x1D, 105},  {0x11D, 113}, {0x2A, 84},   {0x36, 97},   {0x38, 107},
    {0x138, 109}, {0x15B, 106}, {0x15C, 112}, {0x4F, 101},  {0x50, 102},  {0x51, 103},  {0x4B, 80},
    {0x4C, 81},   {0x4D, 82},   {0x47, 59},   {0x48, 60},   {0x49, 61},   {0x52, 123},  {0x145, 38},
    {0x11C, 104}, {0x53, 124},  {0x135, 39},  {0x37, 40},   {0x4A, 41},   {0x4E, 62},
}};

// The KeyIds of kPictureKeys in order.
const std::array<KeyId, kPictureKeyCount>& pictureKeys();

}  // namespace quorvane
