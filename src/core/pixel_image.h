#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/region.h"

namespace vantoria {

// One pixel: 0xAARRGGBB, not premultiplied. In memory the bytes are blue, green, red, alpha.
using Pixel = std::uint32_t;

inline constexpr Pixel kNewPixel = 0xFF000000u;  // opaque black

struct PixelBufferDeleter {
  // For large blocks from AllocatePixels: their size, so that the block can be kept for reuse.
  std::size_t cachedBytes = 0;
  void operator()(Pixel* pixels) const noexcept;
};

// A contiguous block of pixels owned by whoever holds it.
using PixelBuffer = std::unique_ptr<Pixel[], PixelBufferDeleter>;

// Allocates `count` pixels, left uninitialised. Returns an empty buffer when memory runs out.
// Large buffers are mapped with transparent huge pages where the system offers them, and when
// freed a few are kept (bounded) for the next allocation of the same size.
[[nodiscard]] PixelBuffer AllocatePixels(std::size_t count);
// Frees the large buffers kept for reuse.
void ReleaseCachedPixels();
// Readies kept buffers of `count` pixels on a background thread, enough for one new history
// step, so that the next edit of a picture that size takes them instead of waiting for fresh
// memory (the system supplying and clearing 96 MB takes 200 ms and more). Charged to the
// memory budget like any kept buffer, and left out when the budget has no room; small sizes are
// never kept.
void PrepareSparePixels(std::size_t count);

// height rows of width pixels in one contiguous, gap-free buffer, top row first.
// rows[y] points to the first pixel of row y and equals rows[0] + y * width.
struct PixelImage {
  std::vector<Pixel*> rows;
  std::int32_t height = 0;
  std::int32_t width = 0;

  Pixel* pixels() { return buffer.get(); }
  const Pixel* pixels() const { return buffer.get(); }
  std::size_t pixelCount() const {
    return static_cast<std::size_t>(height) * static_cast<std::size_t>(width);
  }
  std::size_t byteSize() const { return pixelCount() * sizeof(Pixel); }

  PixelBuffer buffer;  // owns the pixels that rows point into
};

using ImagePtr = std::unique_ptr<PixelImage>;

// The functions below return an empty pointer when the size is negative or memory runs out;
// callers treat that as a failed edit and keep what they had.

// New image with every pixel opaque black.
[[nodiscard]] ImagePtr CreateImage(std::int32_t height, std::int32_t width);
// New image around a buffer of height * width pixels; takes ownership of the buffer.
[[nodiscard]] ImagePtr WrapImage(PixelBuffer buffer, std::int32_t height, std::int32_t width);
// New image whose pixels are left uninitialised, for callers that write every one.
[[nodiscard]] ImagePtr AllocateImage(std::int32_t height, std::int32_t width);
[[nodiscard]] ImagePtr CloneImage(const PixelImage& image);
// New image of the region's size holding the region's pixels. The region must lie inside.
[[nodiscard]] ImagePtr CropImage(const PixelImage& image, const Region& region);

// Whole-image copy as one block. False, and nothing copied, unless the sizes agree.
[[nodiscard]] bool CopyImagePixels(const PixelImage& source, PixelImage& destination);
// destination row i = source row region.top + i from column region.left. False unless the
// destination has the region's size.
[[nodiscard]] bool CopyImageRegion(const PixelImage& source, const Region& region,
                                   PixelImage& destination);
// destination row region.top + i from column region.left = source row i. False unless the
// source has the region's size.
[[nodiscard]] bool PasteImage(const PixelImage& source, PixelImage& destination,
                              const Region& region);
// The outermost rows and columns only, for a destination whose inside is written next. False,
// and nothing copied, unless the sizes agree.
[[nodiscard]] bool CopyImageBorder(const PixelImage& source, PixelImage& destination);
// Frees the image and empties the pointer; nothing when it is already empty.
void FreeImage(ImagePtr& image);

bool SameSize(const PixelImage& a, const PixelImage& b);
// True when the region is non-empty and lies inside the image.
bool RegionInside(const Region& region, const PixelImage& image);

}  // namespace vantoria
