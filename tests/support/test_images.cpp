#include "support/test_images.h"

#include <webp/encode.h>
#include <zlib.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

// stb's own deflate is slow on large pictures; zlib at its fastest level does the same job.
unsigned char* ZlibCompress(unsigned char* data, int length, int* outLength, int /*quality*/) {
    uLongf size = compressBound(static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    if (compress2(out, &size, data, static_cast<uLong>(length), 1) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    *outLength = static_cast<int>(size);
    return out;
}

}  // namespace

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBIW_ZLIB_COMPRESS ZlibCompress
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace yarvelin::testing {

namespace {

std::vector<unsigned char> Pixels(int w, int h, int channels, bool noise) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * channels);
    if (noise) {
        std::mt19937 rng(7);
        for (auto& p : pixels) {
            p = static_cast<unsigned char>(rng());
        }
    } else {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<unsigned char>((i * 7) & 0xFF);
        }
    }
    return pixels;
}

void Append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
}

void Put16(std::string& out, unsigned v, bool little = true) {
    if (little) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    } else {
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    }
}

void Put32(std::string& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A GIF without compression: 8-bit codes, a clear code before the table would grow past them.
std::string Gif(int w, int h) {
    std::string out = "GIF89a";
    Put16(out, static_cast<unsigned>(w));
    Put16(out, static_cast<unsigned>(h));
    out += static_cast<char>(0xF6);  // a global table of 128 colours
    out += '\0';
    out += '\0';
    for (int i = 0; i < 128; ++i) {
        out += static_cast<char>(i * 2);
        out += static_cast<char>(i);
        out += static_cast<char>(255 - i * 2);
    }
    out += ',';
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(w));
    Put16(out, static_cast<unsigned>(h));
    out += '\0';
    out += '\7';  // minimum code size: codes 0-127 are colours, 128 clear, 129 end
    std::string codes;
    const long long count = static_cast<long long>(w) * h;
    for (long long i = 0; i < count; ++i) {
        if (i % 126 == 0) {
            codes += static_cast<char>(128);
        }
        codes += static_cast<char>(i % 128);
    }
    codes += static_cast<char>(129);
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        out += static_cast<char>(n);
        out += codes.substr(at, n);
    }
    out += '\0';
    out += ';';
    return out;
}

// An uncompressed grey TIFF with one strip, its directory before or after the pixels.
std::string Tiff(int w, int h, bool directoryLast = false) {
    std::string out = "II*";
    out += '\0';
    const unsigned entries = 8;
    const auto pixels = Pixels(w, h, 1, false);
    const unsigned dataOffset = directoryLast ? 8 : 8 + 2 + entries * 12 + 4;
    Put32(out, directoryLast ? 8 + static_cast<unsigned>(pixels.size()) : 8);
    if (directoryLast) {
        out.append(pixels.begin(), pixels.end());
    }
    Put16(out, entries);
    auto entry = [&](unsigned tag, unsigned type, unsigned value) {
        Put16(out, tag);
        Put16(out, type);
        Put32(out, 1);
        Put32(out, value);
    };
    entry(256, 4, static_cast<unsigned>(w));
    entry(257, 4, static_cast<unsigned>(h));
    entry(258, 3, 8);
    entry(259, 3, 1);
    entry(262, 3, 1);
    entry(273, 4, dataOffset);
    entry(278, 4, static_cast<unsigned>(h));
    entry(279, 4, static_cast<unsigned>(w * h));
    Put32(out, 0);
    if (!directoryLast) {
        out.append(pixels.begin(), pixels.end());
    }
    return out;
}

}  // namespace

std::string MakeTestImage(TestImageType type, int w, int h, bool noise) {
    std::string out;
    switch (type) {
        case TestImageType::kPng: {
            // Grey, so that a picture of many megapixels stays cheap to make.
            const auto pixels = Pixels(w, h, 1, noise);
            stbi_write_png_to_func(&Append, &out, w, h, 1, pixels.data(), w);
            break;
        }
        case TestImageType::kJpeg: {
            const auto pixels = Pixels(w, h, 3, noise);
            stbi_write_jpg_to_func(&Append, &out, w, h, 3, pixels.data(), 90);
            break;
        }
        case TestImageType::kBmp: {
            const auto pixels = Pixels(w, h, 3, noise);
            stbi_write_bmp_to_func(&Append, &out, w, h, 3, pixels.data());
            break;
        }
        case TestImageType::kGif:
            out = Gif(w, h);
            break;
        case TestImageType::kWebp: {
            const auto pixels = Pixels(w, h, 3, noise);
            std::uint8_t* data = nullptr;
            const std::size_t size = WebPEncodeRGB(pixels.data(), w, h, w * 3, 80.0F, &data);
            out.assign(reinterpret_cast<const char*>(data), size);
            WebPFree(data);
            break;
        }
        case TestImageType::kTiff:
            out = Tiff(w, h);
            break;
        case TestImageType::kSvg:
            out = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                  std::to_string(w) + "\" height=\"" + std::to_string(h) +
                  "\"><rect width=\"100%\" height=\"100%\"/></svg>\n";
            break;
        case TestImageType::kPsd: {
            // A Photoshop header: signature, version 1, six reserved bytes, channels, height, width, depth,
            // mode.
            out = "8BPS";
            Put16(out, 1, false);
            out.append(6, '\0');
            Put16(out, 3, false);
            Put16(out, static_cast<unsigned>(h) >> 16, false);
            Put16(out, static_cast<unsigned>(h) & 0xFFFF, false);
            Put16(out, static_cast<unsigned>(w) >> 16, false);
            Put16(out, static_cast<unsigned>(w) & 0xFFFF, false);
            Put16(out, 8, false);
            Put16(out, 3, false);
            out.append(16, '\0');
            break;
        }
    }
    if (out.empty()) {
        throw std::runtime_error("test picture not written");
    }
    return out;
}

std::string MakeTiffWithDirectoryLast(int w, int h) {
    return Tiff(w, h, true);
}

std::string MakeJpegWithMetadata(int w, int h, std::size_t metadataBytes) {
    const std::string jpeg = MakeTestImage(TestImageType::kJpeg, w, h);
    std::string out = jpeg.substr(0, 2);  // SOI
    // APP1 segments of at most 65533 bytes of data each, as a camera's EXIF with a thumbnail would be.
    while (metadataBytes > 0) {
        const std::size_t n = std::min<std::size_t>(metadataBytes, 65533);
        out += "\xFF\xE1";
        Put16(out, static_cast<unsigned>(n + 2), false);
        out.append(n, 'x');
        metadataBytes -= n;
    }
    out += jpeg.substr(2);
    return out;
}

}  // namespace yarvelin::testing
