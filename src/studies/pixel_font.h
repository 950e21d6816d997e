// A small pixel font for the few words that the tool writes into its
// pictures (a map's legend): lower-case letters, digits and some signs, each
// 5 x 7 pixels on a 6-pixel advance.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/picture/pixel_store.h"

namespace ormakin::studies {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;

// The width in pixels of `text` written with the font.
int TextWidth(std::string_view text);

// Writes `text` with its top-left corner at (x, y) in the raw colour `raw`,
// clipped to the store. A character the font lacks is left as a gap.
void DrawText(PixelStore& store, int x, int y, std::string_view text, std::uint32_t raw);

}  // namespace ormakin::studies
