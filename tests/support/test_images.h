// Real picture files made on the spot, for the image check's tests and benchmark: each format written by
// its own encoder (stb_image_write, libwebp) or, where none is at hand, by the format's plain layout.
#pragma once

#include <cstddef>
#include <string>

namespace yarvelin::testing {

enum class TestImageType { kPng, kJpeg, kBmp, kGif, kWebp, kTiff, kSvg, kPsd };

// A w x h picture of the type. noise: random pixels, so that compression cannot shrink the file.
std::string MakeTestImage(TestImageType type, int w, int h, bool noise = false);
// A JPEG whose metadata segments before the frame header fill metadataBytes.
std::string MakeJpegWithMetadata(int w, int h, std::size_t metadataBytes);
// A grey TIFF written as streaming writers do: the image data first, its directory after it.
std::string MakeTiffWithDirectoryLast(int w, int h);

}  // namespace yarvelin::testing
