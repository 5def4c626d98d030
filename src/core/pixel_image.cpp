#include "core/pixel_image.h"

#include "core/memory_budget.h"
#include "core/testing_hooks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace vantoria {
namespace {

constexpr std::size_t kBufferAlignment = 64;  // one cache line; also what AVX-512 loads like
// Buffers from this size on are aligned to, and rounded up to, transparent huge pages: a fresh
// 96 MB image then takes 48 page faults instead of 24,576, which would cost more than the
// work done on it.
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;
constexpr std::size_t kHugePageThreshold = 2 * kHugePageSize;
constexpr std::size_t kSpareBlocks = 2;

// Large blocks freed lately, kept for the next request of the same size. A fresh block costs the
// first touch of every page (the kernel clears each one, and under a hypervisor the host may
// have to back it as well), often more than the edit it is for; a kept one costs nothing. Each
// history step frees and takes blocks of the document's size, so a few suffice. The bytes kept
// are bounded (at most 1 GB and 1/16 of physical memory); the oldest go first.
class BlockCache {
 public:
  constexpr BlockCache() = default;

  // A kept block of exactly `bytes`, or null.
  void* Take(std::size_t bytes) {
    const std::lock_guard<std::mutex> guard(m_lock);
    for (std::size_t k = m_count; k-- > 0;) {
      if (m_blocks[k].bytes == bytes) {
        void* block = m_blocks[k].block;
        Erase(k);
        return block;
      }
    }
    return nullptr;
  }

  // How many kept blocks have exactly `bytes`.
  std::size_t Count(std::size_t bytes) {
    const std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<std::size_t>(
        std::count_if(m_blocks.begin(), m_blocks.begin() + m_count,
                      [bytes](const Entry& entry) { return entry.bytes == bytes; }));
  }

  // Keeps the block, or frees it when it cannot be kept (false). Older blocks may make room.
  bool Keep(void* block, std::size_t bytes) noexcept {
    const std::lock_guard<std::mutex> guard(m_lock);
    // A kept block counts against the program's budget; it is not kept when it would not fit.
    const std::size_t limit = Limit();
    if (bytes > limit || !ProgramMemoryBudget().ChargeKeptBlock(bytes)) {
      std::free(block);
      return false;
    }
    while (m_count == kSlots || m_bytes + bytes > limit) {
      std::free(m_blocks[0].block);
      Erase(0);
    }
    m_blocks[m_count++] = {block, bytes};
    m_bytes += bytes;
    return true;
  }

  void Clear() noexcept {
    const std::lock_guard<std::mutex> guard(m_lock);
    while (m_count > 0) {
      std::free(m_blocks[0].block);
      Erase(0);
    }
  }

 private:
  static constexpr std::size_t kSlots = 8;
  struct Entry {
    void* block = nullptr;
    std::size_t bytes = 0;
  };

  static std::size_t Limit() noexcept {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    const std::size_t physical = pages > 0 && pageSize > 0 ? static_cast<std::size_t>(pages) *
                                                                 static_cast<std::size_t>(pageSize)
                                                           : 0;
    return std::min(std::size_t{1} << 30, physical / 16);
  }

  void Erase(std::size_t index) noexcept {
    ProgramMemoryBudget().ReleaseKeptBlock(m_blocks[index].bytes);
    m_bytes -= m_blocks[index].bytes;
    std::copy(m_blocks.begin() + index + 1, m_blocks.begin() + m_count, m_blocks.begin() + index);
    --m_count;
  }

  std::mutex m_lock;
  std::array<Entry, kSlots> m_blocks{};
  std::size_t m_count = 0;
  std::size_t m_bytes = 0;
};

// Trivially destructible, so images freed during static destruction still find it.
constinit BlockCache g_blocks;

// The bytes of a block AllocatePixels would keep for `count` pixels; 0 for smaller blocks.
std::size_t KeptBytes(std::size_t count) {
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(Pixel) - kHugePageSize) {
    return 0;
  }
  const std::size_t bytes = count * sizeof(Pixel);
  return bytes < kHugePageThreshold ? 0
                                    : (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
}

void* AllocateLargeBlock(std::size_t bytes) {
  void* block = std::aligned_alloc(kHugePageSize, bytes);
#ifdef MADV_HUGEPAGE
  if (block) {
    madvise(block, bytes, MADV_HUGEPAGE);  // only advice: without it, small pages
  }
#endif
  return block;
}

// Readies kept blocks on a thread of its own: allocated, every page touched, then kept, until
// there are kSpareBlocks of the size asked for, what a new history step takes (the picture
// before and after). Requests made while one is under way replace each other; the newest is
// done next.
class SparePreparer {
 public:
  SparePreparer() {
    // The budget outlives this object, whose destructor may still keep a block.
    static_cast<void>(ProgramMemoryBudget());
  }
  SparePreparer(const SparePreparer&) = delete;
  SparePreparer& operator=(const SparePreparer&) = delete;

  ~SparePreparer() {
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
      m_thread.join();
    }
  }

  void Request(std::size_t bytes) {
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      m_wanted = bytes;
      if (!m_thread.joinable()) {
        m_thread = std::thread([this] { Serve(); });
      }
    }
    m_changed.notify_all();
  }

  void WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_wanted == 0 && !m_busy; });
  }

 private:
  void Serve() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
      m_changed.wait(lock, [this] { return m_stopping || m_wanted != 0; });
      if (m_stopping) {
        return;
      }
      const std::size_t bytes = std::exchange(m_wanted, 0);
      m_busy = true;
      lock.unlock();
      Prepare(bytes);
      lock.lock();
      m_busy = false;
      m_changed.notify_all();
    }
  }

  // At most kSpareBlocks new blocks, however the cache and the budget answer: a block too
  // large to keep twice would otherwise push out its twin for ever.
  static void Prepare(std::size_t bytes) {
    MemoryBudget& budget = ProgramMemoryBudget();
    for (std::size_t made = 0; made < kSpareBlocks && g_blocks.Count(bytes) < kSpareBlocks &&
                               budget.Used() + bytes <= budget.Limit();
         ++made) {
      void* block = AllocateLargeBlock(bytes);
      if (!block) {
        return;
      }
      const long pageSize = sysconf(_SC_PAGE_SIZE);
      const std::size_t step = pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
      for (std::size_t offset = 0; offset < bytes; offset += step) {
        static_cast<volatile char*>(block)[offset] = 0;
      }
      if (!g_blocks.Keep(block, bytes)) {
        return;
      }
    }
  }

  std::mutex m_lock;
  std::condition_variable m_changed;
  std::thread m_thread;
  std::size_t m_wanted = 0;
  bool m_busy = false;
  bool m_stopping = false;
};

SparePreparer& Preparer() {
  static SparePreparer preparer;
  return preparer;
}

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

std::atomic<int> g_allocationsBeforeFailure{-1};

// False when a test asked for this allocation to fail.
bool AllocationAllowed() {
  int left = g_allocationsBeforeFailure.load(std::memory_order_relaxed);
  while (left > 0 && !g_allocationsBeforeFailure.compare_exchange_weak(left, left - 1)) {
  }
  return left != 0;
}

}  // namespace

void FailPixelAllocationsAfter(int count) {
  g_allocationsBeforeFailure.store(count);
}

void PixelBufferDeleter::operator()(Pixel* pixels) const noexcept {
  if (pixels && cachedBytes > 0) {
    g_blocks.Keep(pixels, cachedBytes);
    return;
  }
  std::free(pixels);
}

void ReleaseCachedPixels() {
  g_blocks.Clear();
}

void PrepareSparePixels(std::size_t count) {
  if (const std::size_t bytes = KeptBytes(count);
      bytes > 0 && g_blocks.Count(bytes) < kSpareBlocks) {
    Preparer().Request(bytes);
  }
}

void WaitForSparePixels() {
  Preparer().WaitUntilIdle();
}

PixelBuffer AllocatePixels(std::size_t count) {
  if (!AllocationAllowed() ||
      count > std::numeric_limits<std::size_t>::max() / sizeof(Pixel) - kHugePageSize) {
    return PixelBuffer();
  }
  const std::size_t bytes = count * sizeof(Pixel);
  if (const std::size_t rounded = KeptBytes(count); rounded > 0) {
    void* block = g_blocks.Take(rounded);
    if (!block) {
      block = AllocateLargeBlock(rounded);
      if (!block) {
        g_blocks.Clear();  // what is kept may be just what is missing
        block = AllocateLargeBlock(rounded);
      }
    }
    return PixelBuffer(static_cast<Pixel*>(block), PixelBufferDeleter{block ? rounded : 0});
  }
  // aligned_alloc wants a multiple of the alignment, and a 0 x 0 image still gets a real block.
  const std::size_t rounded = (bytes + kBufferAlignment) / kBufferAlignment * kBufferAlignment;
  return PixelBuffer(static_cast<Pixel*>(std::aligned_alloc(kBufferAlignment, rounded)));
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

ImagePtr AllocateImage(std::int32_t height, std::int32_t width) {
  if (!SizeFits(height, width)) {
    return nullptr;
  }
  return WrapImage(
      AllocatePixels(static_cast<std::size_t>(height) * static_cast<std::size_t>(width)), height,
      width);
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
  ImagePtr cropped = WrapImage(AllocatePixels(static_cast<std::size_t>(region.height()) *
                                              static_cast<std::size_t>(region.width())),
                               region.height(), region.width());
  if (cropped) {
    static_cast<void>(CopyImageRegion(image, region, *cropped));  // region checked above
  }
  return cropped;
}

bool SameSize(const PixelImage& a, const PixelImage& b) {
  return a.width == b.width && a.height == b.height;
}

bool RegionInside(const Region& region, const PixelImage& image) {
  return region.left >= 0 && region.top >= 0 && region.left <= region.right &&
         region.top <= region.bottom && region.right < image.width && region.bottom < image.height;
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

bool CopyImageBorder(const PixelImage& source, PixelImage& destination) {
  if (!SameSize(source, destination)) {
    return false;
  }
  const std::int32_t height = source.height;
  const std::int32_t width = source.width;
  if (height <= 0 || width <= 0) {
    return true;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(Pixel);
  std::memcpy(destination.rows[0], source.rows[0], rowBytes);
  std::memcpy(destination.rows[height - 1], source.rows[height - 1], rowBytes);
  for (std::int32_t i = 1; i < height - 1; ++i) {
    destination.rows[i][0] = source.rows[i][0];
    destination.rows[i][width - 1] = source.rows[i][width - 1];
  }
  return true;
}

void FreeImage(ImagePtr& image) {
  image.reset();
}

}  // namespace vantoria
