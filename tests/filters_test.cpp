// Catches 3 x 3 filter and mosaic faults against formula oracles: windows, borders, one band.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "imaging/filter_ops.h"
#include "imaging/kernels.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::Operation;

constexpr int kColourShifts[] = {16, 8, 0};  // red, green, blue
constexpr Pixel kAlphaMask = 0xFF000000u;
constexpr Pixel kMidGrey = 0xFF808080u;

constexpr auto Channel = [](Pixel p, int shift) { return static_cast<int>((p >> shift) & 0xFFu); };
constexpr auto At = [](const PixelImage& image, int y, int x) { return image.rows[y][x]; };

// channel(y, x, shift) gives each colour channel of each interior pixel; alpha is the source's.
// The border keeps what the destination held.
int InteriorOracle(const PixelImage& source, PixelImage& out,
                   const std::function<int(int, int, int)>& channel) {
  for (int y = 1; y + 1 < source.height; ++y) {
    for (int x = 1; x + 1 < source.width; ++x) {
      Pixel p = At(source, y, x) & kAlphaMask;
      for (int shift : kColourShifts) {
        p |= static_cast<Pixel>(channel(y, x, shift) & 0xFF) << shift;
      }
      out.rows[y][x] = p;
    }
  }
  return 1;
}

int WindowSum(const PixelImage& s, const Kernel3& kernel, int y, int x, int shift) {
  int sum = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      sum += kernel[dy + 1][dx + 1] * Channel(At(s, y + dy, x + dx), shift);
    }
  }
  return sum;
}

Operation SharpenOracle(const Kernel3& kernel, int divisor) {
  return [=](const PixelImage& s, PixelImage& d) {
    return divisor == 0 ? 0 : InteriorOracle(s, d, [&](int y, int x, int shift) {
      return std::clamp(Channel(At(s, y, x), shift) + WindowSum(s, kernel, y, x, shift) / divisor,
                        0, 255);
    });
  };
}

Operation SmoothOracle(const Kernel3& kernel, int divisor) {
  return [=](const PixelImage& s, PixelImage& d) {
    return divisor == 0 ? 0 : InteriorOracle(s, d, [&](int y, int x, int shift) {
      return WindowSum(s, kernel, y, x, shift) / divisor;
    });
  };
}

Operation MedianOracle(const Kernel3& mask, int count) {
  return [=](const PixelImage& s, PixelImage& d) {
    int cells = 0;
    for (const auto& row : mask) {
      cells += static_cast<int>(std::count_if(row.begin(), row.end(), [](int w) { return w > 0; }));
    }
    return count == 0 || count != cells ? 0 : InteriorOracle(s, d, [&](int y, int x, int shift) {
      std::vector<int> values;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (mask[dy + 1][dx + 1] > 0) {
            values.push_back(Channel(At(s, y + dy, x + dx), shift));
          }
        }
      }
      std::sort(values.begin(), values.end());
      return values[values.size() / 2];
    });
  };
}

int EmbossOracle(const PixelImage& s, PixelImage& out) {
  std::fill_n(out.pixels(), out.pixelCount(), kMidGrey);
  for (int y = 0; y + 1 < s.height; ++y) {
    for (int x = 0; x + 1 < s.width; ++x) {
      Pixel p = At(s, y, x) & kAlphaMask;
      for (int shift : kColourShifts) {
        const int v = Channel(At(s, y, x), shift) - Channel(At(s, y + 1, x + 1), shift) + 128;
        p |= static_cast<Pixel>(std::min(std::abs(v), 255)) << shift;
      }
      out.rows[y][x] = p;
    }
  }
  return 1;
}

// The block's sample pixel for every destination pixel, from the whole/partial block rules.
Operation MosaicOracle(unsigned k) {
  return [k](const PixelImage& s, PixelImage& out) {
    if (k == 0) {
      return 0;
    }
    const auto sample = [k](unsigned at, unsigned size) {
      const unsigned full = size / k;
      const unsigned rest = size - full * k;
      return at / k < full ? at / k * k + k / 2 : full * k + rest / 2;
    };
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) {
        out.rows[y][x] =
            At(s, static_cast<int>(sample(y, s.height)), static_cast<int>(sample(x, s.width)));
      }
    }
    return 1;
  };
}

int OracleGrey(Pixel p) {
  return static_cast<int>((Channel(p, 16) * 0.299 + Channel(p, 8) * 0.587) + Channel(p, 0) * 0.114);
}

int SketchOracle(const PixelImage& s, PixelImage& out) {
  const int h = s.height;
  const int w = s.width;
  std::vector<int> lines(static_cast<std::size_t>(std::max(h * w, 0)), 0);
  const auto g = [&](int y, int x) { return OracleGrey(At(s, y, x)); };
  const auto sum9 = [](auto&& f, int y, int x) {
    int total = 0;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        total += f(y + dy, x + dx);
      }
    }
    return total;
  };
  for (int y = 1; y + 1 < h; ++y) {
    for (int x = 1; x + 1 < w; ++x) {
      const int a = sum9(g, y, x) - 9 * g(y, x);
      const int left = g(y - 1, x - 1) + g(y, x - 1) + g(y + 1, x - 1);
      const int right = g(y - 1, x + 1) + g(y, x + 1) + g(y + 1, x + 1);
      const int top = g(y - 1, x - 1) + g(y - 1, x) + g(y - 1, x + 1);
      const int bottom = g(y + 1, x - 1) + g(y + 1, x) + g(y + 1, x + 1);
      const int b = left - right + g(y - 1, x) - g(y + 1, x);
      const int d = top - bottom - g(y, x - 1) + g(y, x + 1);
      int v = std::max(std::abs(b), std::abs(d)) >= 25 ? std::min(2 * a, 255) : 0;
      v = v < 32 ? 0 : v;
      lines[y * w + x] = 255 - v;
    }
  }
  const auto t = [&](int y, int x) { return lines[y * w + x]; };
  return InteriorOracle(s, out,
                        [&](int y, int x, int) { return (sum9(t, y, x) + 3 * t(y, x)) / 12; });
}

// The routine with its parameters after the two pictures fixed.
template <class... Parameters>
Operation With(int (*routine)(const PixelImage&, PixelImage&, Parameters...),
               std::decay_t<Parameters>... values) {
  return [=](const PixelImage& s, PixelImage& d) { return routine(s, d, values...); };
}

TEST(Filters, MatchTheirOraclesEverywhere) {
  std::vector<std::tuple<std::string, Operation, Operation>> rows = {
      {"emboss", Emboss, EmbossOracle},
      {"sketch", Sketch, SketchOracle},
      {"median cross", With(MedianFilter, kSmoothKernels[2], 5),
       MedianOracle(kSmoothKernels[2], 5)},
  };
  const auto sharpen = [&](const std::string& name, const Kernel3& kernel, int divisor) {
    rows.push_back({"sharpen " + name + " / " + std::to_string(divisor),
                    With(SharpenLaplacian, kernel, divisor), SharpenOracle(kernel, divisor)});
  };
  const auto smooth = [&](const std::string& name, const Kernel3& kernel, int divisor) {
    rows.push_back({"smooth " + name + " / " + std::to_string(divisor),
                    With(SmoothWithKernel, kernel, divisor), SmoothOracle(kernel, divisor)});
  };
  sharpen("laplacian", kSharpenKernel, kSharpenDivisor);
  sharpen("laplacian", kSharpenKernel, 9);
  smooth("box", kSmoothKernels[0], kSmoothDivisors[0]);
  smooth("gaussian", kSmoothKernels[1], kSmoothDivisors[1]);
  smooth("box", kSmoothKernels[0], 16);
  std::mt19937 random(3);
  for (int divisor : {0, -7, 5}) {  // other kernels take the general path
    Kernel3 kernel;
    for (auto& row : kernel) {
      for (int& weight : row) {
        weight = static_cast<int>(random() % 8) - 3;
      }
    }
    sharpen("random", kernel, divisor);
    smooth("random", kernel, divisor);
  }
  for (int cells = 0; cells <= 9; ++cells) {
    // `cells` cells above 0 in random places (weights other than 1 count the same).
    Kernel3 mask{};
    std::vector<int> places = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::shuffle(places.begin(), places.end(), random);
    for (int k = 0; k < 9; ++k) {
      mask[places[k] / 3][places[k] % 3] =
          k < cells ? 1 + static_cast<int>(random() % 3) : -static_cast<int>(random() % 3);
    }
    for (int count : {cells - 1, cells, cells + 1}) {
      rows.push_back({"median " + std::to_string(cells) + " cells, count " + std::to_string(count),
                      With(MedianFilter, mask, count), MedianOracle(mask, count)});
    }
  }
  for (unsigned k : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 16u, 33u, 64u, 65535u, UINT_MAX}) {
    rows.push_back({"mosaic " + std::to_string(k), With(Mosaic, k), MosaicOracle(k)});
  }
  for (const auto& [name, op, oracle] : rows) {
    SCOPED_TRACE(name);
    test::ExpectMatchesEverywhere(op, oracle);
  }
}

}  // namespace
}  // namespace vantoria
