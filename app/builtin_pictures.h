#pragma once
// The two pictures the program carries itself, as Windows bitmap files in
// memory: the backdrop's gradient, used where the medium gives no backdrop
// picture, and the loading window's icon. Everything else the windows show
// comes from the medium.

#include <string>

namespace vk::app {

// 1 by 768 pixels, 8 bits per pixel: pure blue (0, 0, 255) in the top row,
// falling evenly to black in the bottom row, with a slight ordered dither
// between neighbouring levels so the stretched bands do not show.
std::string GradientBitmap();

// 32 by 32 pixels, 24 bits per pixel: a setup disk on the dialog colour.
std::string SetupIconBitmap();

}  // namespace vk::app
