#pragma once

#include <string_view>

namespace yarvelin {

// Width and height from a JPEG, PNG, GIF or BMP header, read by stb_image. False when stb cannot read it.
// stb lives in its own file so its implementation (and the warnings GCC raises inside it when optimising)
// never mixes with our code.
bool StbImageInfo(std::string_view firstBytes, int& width, int& height);

}  // namespace yarvelin
