// ResizeImage(source, destination, W', H'):
//   sx = double(W') / double(W), sy = double(H') / double(H), each divided once;
//   destination pixel (i, j) = SampleBilinear(source, j / sx, i / sy)
// over the destination's own height and width. The grids meet at their top-left corners, and
// the index is divided by the ratio (never multiplied by a reciprocal), so a whole-factor
// reduction lands on exact source positions.
// A source with no pixels gives ratios of inf (or NaN for 0 / 0); the sampler answers white for
// every position of such a source, so the destination comes out opaque white.
//
// Every column samples the same source columns on every row, and consecutive rows share source
// rows, so the positions are split once per column and once per row, and each source row's
// blend along the columns (the sampler's first, row-wise step) is made once and kept while
// rows use it. Columns and rows in the bands along the edges, and exact positions, take the
// sampler's own path.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/bilinear_rows.h"
#include "imaging/bilinear_taps.h"
#include "imaging/geometry_ops.h"
#include "imaging/parallel_rows.h"

namespace vantoria {
namespace {

// Where every destination column samples.
struct ColumnPlan {
  std::vector<Tap> taps;
  // For columns blended from source columns x0 and x0 + 1: x0 and the two weights. Such
  // columns come in runs [first, end).
  std::vector<std::int32_t> left;
  std::vector<double> nearWeight;  // 1 - fx
  std::vector<double> farWeight;   // fx
  std::vector<std::pair<std::int32_t, std::int32_t>> runs;
  std::size_t interiorCount = 0;
  std::vector<std::int32_t> exact;   // interior columns at an exact position
  std::vector<std::int32_t> others;  // columns outside or in an edge band
};

ColumnPlan PlanColumns(std::int32_t count, double scale, std::int32_t sourceWidth) {
  ColumnPlan plan;
  const auto size = static_cast<std::size_t>(count);
  plan.taps.resize(size);
  plan.left.resize(size);
  plan.nearWeight.resize(size);
  plan.farWeight.resize(size);
  for (std::int32_t j = 0; j < count; ++j) {
    const Tap tap = MakeTap(static_cast<double>(j) / scale, sourceWidth);
    plan.taps[static_cast<std::size_t>(j)] = tap;
    if (tap.outside || tap.edge) {
      plan.others.push_back(j);
      continue;
    }
    if (plan.runs.empty() || plan.runs.back().second != j) {
      plan.runs.push_back({j, j});
    }
    ++plan.runs.back().second;
    ++plan.interiorCount;
    plan.left[static_cast<std::size_t>(j)] = tap.index;
    plan.nearWeight[static_cast<std::size_t>(j)] = 1.0 - tap.fraction;
    plan.farWeight[static_cast<std::size_t>(j)] = tap.fraction;
    if (tap.exact) {
      plan.exact.push_back(j);
    }
  }
  return plan;
}

// A source row blended along the columns: the truncated channels of each interior column, as
// doubles, ready for the blend down the rows.
struct BlendedRow {
  std::int32_t sourceRow = -1;
  std::vector<double> channels;  // 4 per destination column
};

class RowBlender {
 public:
  RowBlender(const PixelImage& source, const ColumnPlan& plan, const BilinearRowKernels& kernels)
      : m_source(source), m_plan(plan), m_kernels(kernels) {
    for (BlendedRow& row : m_rows) {
      row.channels.resize(4 * plan.taps.size());
    }
  }

  // Row y blended, made unless one of the two kept rows is it; `keep` is not replaced.
  const double* Get(std::int32_t y, std::int32_t keep) {
    for (const BlendedRow& row : m_rows) {
      if (row.sourceRow == y) {
        return row.channels.data();
      }
    }
    BlendedRow& slot = m_rows[0].sourceRow == keep ? m_rows[1] : m_rows[0];
    slot.sourceRow = y;
    for (const auto& [first, end] : m_plan.runs) {
      const auto at = static_cast<std::size_t>(first);
      m_kernels.blendAcross(m_source.rows[y], m_plan.left.data() + at,
                            m_plan.nearWeight.data() + at, m_plan.farWeight.data() + at,
                            static_cast<std::size_t>(end - first), slot.channels.data() + 4 * at);
    }
    return slot.channels.data();
  }

 private:
  const PixelImage& m_source;
  const ColumnPlan& m_plan;
  const BilinearRowKernels& m_kernels;
  BlendedRow m_rows[2];
};

void ResizeRow(const PixelImage& source, const ColumnPlan& plan, const BilinearRowKernels& kernels,
               RowBlender& blender, const Tap& y, Pixel* out, std::int32_t width) {
  if (y.outside) {
    std::fill_n(out, width, kSampleWhite);
    return;
  }
  if (y.edge) {
    for (std::int32_t j = 0; j < width; ++j) {
      out[j] = SampleTaps(source, plan.taps[static_cast<std::size_t>(j)], y);
    }
    return;
  }
  const Pixel* sourceRow = source.rows[y.index];
  if (!y.exact || plan.exact.size() != plan.interiorCount) {
    const double* upper = blender.Get(y.index, y.index + 1);
    // At fraction 0 the row below is weighed by 0.0, which leaves the upper row's value exactly.
    const double* lower = y.fraction == 0.0 ? nullptr : blender.Get(y.index + 1, y.index);
    for (const auto& [first, end] : plan.runs) {
      const auto at = static_cast<std::size_t>(first);
      const auto count = static_cast<std::size_t>(end - first);
      if (lower) {
        kernels.blendDown(upper + 4 * at, lower + 4 * at, y.fraction, count, out + at);
      } else {
        kernels.copyDown(upper + 4 * at, count, out + at);
      }
    }
  }
  if (y.exact) {
    for (const std::int32_t j : plan.exact) {
      out[j] = sourceRow[plan.taps[static_cast<std::size_t>(j)].index];
    }
  }
  for (const std::int32_t j : plan.others) {
    out[j] = SampleTaps(source, plan.taps[static_cast<std::size_t>(j)], y);
  }
}

}  // namespace

int ResizeImage(const PixelImage& source, PixelImage& destination, std::int32_t width,
                std::int32_t height) {
  const double sx = static_cast<double>(width) / static_cast<double>(source.width);
  const double sy = static_cast<double>(height) / static_cast<double>(source.height);
  const std::int32_t outWidth = destination.width;
  if (outWidth <= 0 || destination.height <= 0) {
    return 1;
  }
  const ColumnPlan plan = PlanColumns(outWidth, sx, source.width);
  const BilinearRowKernels& kernels = ActiveBilinearRowKernels();
  ParallelRows(destination.height, static_cast<std::size_t>(outWidth),
               [&](std::int32_t first, std::int32_t end) {
                 RowBlender blender(source, plan, kernels);
                 for (std::int32_t i = first; i < end; ++i) {
                   const Tap y = MakeTap(static_cast<double>(i) / sy, source.height);
                   ResizeRow(source, plan, kernels, blender, y, destination.rows[i], outWidth);
                 }
               });
  return 1;
}

}  // namespace vantoria
