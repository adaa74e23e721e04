// The window's design unit: 15 twips to a pixel at 96 dpi.
#pragma once

inline constexpr int kTwipsPerPixel = 15;
