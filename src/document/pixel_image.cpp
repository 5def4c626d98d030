#include "document/pixel_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace vantoria {
namespace {

constexpr std::size_t kBufferAlignment = 64;  // one cache line; also what AVX-512 loads like

bool SizeFits(std::int32_t height, std::int32_t width) {
  if (height < 0 || width < 0) {
    return false;
  }
  const auto count = static_cast<std::uint64_t>(height) * static_cast<std::uint64_t>(width);
  return count <= std::numeric_limits<std::size_t>::max() / sizeof(Pixel) - kBufferAlignment;
}

void FillRowTable(PixelImage& image) {
  Pixel* first = image.buffer.get();
  for (std::int32_t y = 0; y < image.height; ++y) {
    image.rows[y] = first + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
  }
}

}  // namespace

void PixelBufferDeleter::operator()(Pixel* pixels) const noexcept { std::free(pixels); }

PixelBuffer AllocatePixels(std::size_t count) {
  // aligned_alloc wants a multiple of the alignment, and a 0 x 0 image still gets a real block.
  std::size_t bytes = count * sizeof(Pixel);
  bytes = (bytes + kBufferAlignment) / kBufferAlignment * kBufferAlignment;
  return PixelBuffer(static_cast<Pixel*>(std::aligned_alloc(kBufferAlignment, bytes)));
}

ImagePtr WrapImage(PixelBuffer buffer, std::int32_t height, std::int32_t width) {
  if (!buffer || !SizeFits(height, width)) {
    return nullptr;
  }
  try {
    auto image = std::make_unique<PixelImage>();
    image->rows.resize(static_cast<std::size_t>(height));
    image->height = height;
    image->width = width;
    image->buffer = std::move(buffer);
    FillRowTable(*image);
    return image;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ImagePtr CreateImage(std::int32_t height, std::int32_t width) {
  if (!SizeFits(height, width)) {
    return nullptr;
  }
  const std::size_t count = static_cast<std::size_t>(height) * static_cast<std::size_t>(width);
  PixelBuffer buffer = AllocatePixels(count);
  if (!buffer) {
    return nullptr;
  }
  std::fill_n(buffer.get(), count, kNewPixel);
  return WrapImage(std::move(buffer), height, width);
}

ImagePtr CloneImage(const PixelImage& image) {
  PixelBuffer buffer = AllocatePixels(image.pixelCount());
  if (!buffer) {
    return nullptr;
  }
  std::memcpy(buffer.get(), image.pixels(), image.byteSize());
  return WrapImage(std::move(buffer), image.height, image.width);
}

ImagePtr CropImage(const PixelImage& image, const Region& region) {
  if (region.width() < 0 || region.height() < 0) {
    return nullptr;
  }
  ImagePtr cropped = WrapImage(
      AllocatePixels(static_cast<std::size_t>(region.height()) *
                     static_cast<std::size_t>(region.width())),
      region.height(), region.width());
  if (cropped) {
    CopyImageRegion(image, region, *cropped);
  }
  return cropped;
}

bool SameSize(const PixelImage& a, const PixelImage& b) {
  return a.width == b.width && a.height == b.height;
}

bool RegionInside(const Region& region, const PixelImage& image) {
  return region.left >= 0 && region.top >= 0 && region.left <= region.right &&
         region.top <= region.bottom && region.right < image.width &&
         region.bottom < image.height;
}

bool CopyImagePixels(const PixelImage& source, PixelImage& destination) {
  if (!SameSize(source, destination)) {
    return false;
  }
  if (source.pixels() != destination.pixels()) {
    std::memcpy(destination.pixels(), source.pixels(), source.byteSize());
  }
  return true;
}

bool CopyImageRegion(const PixelImage& source, const Region& region, PixelImage& destination) {
  if (destination.width != region.width() || destination.height != region.height()) {
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(region.width()) * sizeof(Pixel);
  for (std::int32_t i = 0; i < destination.height; ++i) {
    std::memcpy(destination.rows[i], source.rows[region.top + i] + region.left, rowBytes);
  }
  return true;
}

bool PasteImage(const PixelImage& source, PixelImage& destination, const Region& region) {
  if (source.width != region.width() || source.height != region.height()) {
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(region.width()) * sizeof(Pixel);
  for (std::int32_t i = 0; i < source.height; ++i) {
    std::memcpy(destination.rows[region.top + i] + region.left, source.rows[i], rowBytes);
  }
  return true;
}

void FreeImage(ImagePtr& image) { image.reset(); }

}  // namespace vantoria
