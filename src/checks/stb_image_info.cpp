#include "checks/stb_image_info.h"

#include <climits>

// Only the header readers are used; the decoders stay private to this file. GCC at -O3 inlines stb's PNG
// reader into the info call and then warns about a member stb fills before reading; that is stb's own
// code, so its warnings are silenced for this file alone.
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace yarvelin {

bool StbImageInfo(std::string_view firstBytes, int& width, int& height) {
    if (firstBytes.size() > static_cast<std::size_t>(INT_MAX)) {
        firstBytes = firstBytes.substr(0, INT_MAX);
    }
    int components = 0;
    return stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(firstBytes.data()),
                                 static_cast<int>(firstBytes.size()), &width, &height, &components) != 0;
}

}  // namespace yarvelin
