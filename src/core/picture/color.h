// Colours are 24-bit RGB values held as 0x00BBGGRR: blue in the high byte.
#pragma once

#include <cstdint>

namespace ormakin {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clBlue = 0x00FF0000;
inline constexpr TColor clLime = 0x0000FF00;  // green
inline constexpr TColor clRed = 0x000000FF;

// What a pixel outside a bitmap reads as: no colour at all.
inline constexpr TColor kNoColor = 0xFFFFFFFF;

// 0x00BBGGRR to 0xFFRRGGBB, the order a painter wants.
constexpr std::uint32_t ToRgb32(TColor color) {
  return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

}  // namespace ormakin
