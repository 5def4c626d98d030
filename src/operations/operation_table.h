#pragma once

// The one table of operations: one row per operation, or per variant where wParam selects one.
// The dispatcher, the batch tool and its help, the dialogs' limits and the benchmark all read
// it. Adding an operation takes a code in operation_messages.h, a row here, its routine in
// imaging/ and, when it has parameters, its dialog.

#include <array>
#include <span>

#include "core/pixel_image.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"
#include "operations/operation_messages.h"

namespace vantoria::ops {

inline constexpr int kMaxParameters = 3;
using ParameterValues = std::array<int, kMaxParameters>;

struct ParameterRange {
  int low = 0;
  int high = 0;
};

// Which handler runs the operation.
enum class Shape : std::uint8_t {
  kSameSize,  // pixel for pixel on the selection, or the whole image when there is none
  kResize,    // the whole image into a new size
  kCrop,      // the whole image cut to the selection
  kRotate,    // the whole image turned onto a canvas of the size the angle needs
};

// What the result image holds before the routine runs. Not copying what the routine overwrites
// saves a pass over memory.
enum class ResultStart : std::uint8_t {
  kUninitialised,  // the routine writes every pixel
  kBorderCopied,   // 3 x 3 filters leave the one-pixel border as it was
  kFullCopy,       // the routine leaves some pixels as they were
  kMadeByRoutine,  // the routine makes the result itself
};

// Runs the operation from `source` into `destination` with the parameters packed in `lParam`.
using Routine = int (*)(const PixelImage& source, PixelImage& destination, LParam lParam);

struct OperationRow {
  std::uint32_t code = 0;
  // The row applies when (wParam & selectorMask) == selector; other selectors are ignored.
  WParam selectorMask = 0;
  WParam selector = 0;
  const char* batchName = "";         // the vantoria-batch step
  const char* variantName = nullptr;  // its value that selects this row: grayscale=average
  const char* valueNames = nullptr;   // the values' letters in the help: "B,C"
  int parameterCount = 0;             // values packed into lParam
  std::array<ParameterRange, kMaxParameters> ranges{};  // what senders may send
  bool ignoresOutOfRange = false;  // the handler ignores values outside `ranges`
  LParam (*pack)(const ParameterValues&) = nullptr;
  ParameterValues (*unpack)(LParam) = nullptr;
  // Sent by a preview dialog: a first preview opens a step, later ones rerun into it.
  bool previews = false;
  Shape shape = Shape::kSameSize;
  ResultStart start = ResultStart::kUninitialised;
  Routine routine = nullptr;  // none for crop and rotate, which make their own result
  // One line of help in the batch tool; %1 and %2 are the first range's ends, %3 and %4 the
  // second's.
  const char* help = "";
};

inline constexpr ParameterRange kSliderRange{-100, 100};

constexpr ParameterValues UnpackOffsetBytes(LParam lParam) {
  return {ByteAt(lParam, 0) - 100, ByteAt(lParam, 1) - 100, ByteAt(lParam, 2) - 100};
}

inline constexpr OperationRow kOperations[] = {
    {.code = WM_OP_BRIGHTNESS_CONTRAST,
     .batchName = "brightness-contrast",
     .valueNames = "B,C",
     .parameterCount = 2,
     .ranges = {kSliderRange, kSliderRange},
     .pack = [](const ParameterValues& v) { return PackBrightnessContrast(v[0], v[1]); },
     .unpack = UnpackOffsetBytes,
     .previews = true,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam l) {
           const BrightnessContrast values = DecodeBrightnessContrast(l);
           return AdjustBrightnessContrast(s, d, values.brightness, values.contrast);
         },
     .help = "亮度和对比度，各 %1..%2"},
    {.code = WM_OP_TRANSPARENCY,
     .batchName = "transparency",
     .valueNames = "T",
     .parameterCount = 1,
     .ranges = {kSliderRange},
     .pack = [](const ParameterValues& v) { return PackTransparency(v[0]); },
     .unpack = UnpackOffsetBytes,
     .previews = true,
     .routine = [](const PixelImage& s, PixelImage& d,
                   LParam l) { return AdjustTransparency(s, d, DecodeTransparency(l)); },
     .help = "透明度，%1..%2"},
    {.code = WM_OP_HSL,
     .batchName = "hsl",
     .valueNames = "H,S,L",
     .parameterCount = 3,
     .ranges = {kSliderRange, kSliderRange, kSliderRange},
     .pack = [](const ParameterValues& v) { return PackHsl(v[0], v[1], v[2]); },
     .unpack = UnpackOffsetBytes,
     .previews = true,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam l) {
           const HslOffsets offsets = DecodeHsl(l);
           return AdjustHueSaturationLightness(s, d, offsets.hue, offsets.saturation,
                                               offsets.lightness);
         },
     .help = "色相、饱和度、亮度，各 %1..%2"},
    {.code = WM_OP_INVERT,
     .batchName = "invert",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return InvertColors(s, d); },
     .help = "反色"},
    {.code = WM_OP_GRAYSCALE,
     .selectorMask = kSelectorBits,
     .selector = kGrayMaximum,
     .batchName = "grayscale",
     .variantName = "maximum",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return GrayscaleByMaximum(s, d); },
     .help = "最大值法灰度"},
    {.code = WM_OP_GRAYSCALE,
     .selectorMask = kSelectorBits,
     .selector = kGrayAverage,
     .batchName = "grayscale",
     .variantName = "average",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return GrayscaleByAverage(s, d); },
     .help = "平均值法灰度"},
    {.code = WM_OP_GRAYSCALE,
     .selectorMask = kSelectorBits,
     .selector = kGrayWeighted,
     .batchName = "grayscale",
     .variantName = "weighted",
     .routine = [](const PixelImage& s, PixelImage& d,
                   LParam) { return GrayscaleByWeightedAverage(s, d); },
     .help = "加权平均值法灰度"},
    {.code = WM_OP_BINARIZE,
     .batchName = "threshold",
     .valueNames = "T",
     .parameterCount = 1,
     .ranges = {{{0, 255}}},
     .pack = [](const ParameterValues& v) { return PackThreshold(v[0]); },
     .unpack = [](LParam l) { return ParameterValues{DecodeThreshold(l)}; },
     .previews = true,
     .routine = [](const PixelImage& s, PixelImage& d,
                   LParam l) { return Binarize(s, d, DecodeThreshold(l)); },
     .help = "二值化，阈值 %1..%2"},
    {.code = WM_OP_REDEYE,
     .batchName = "redeye",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return RemoveRedEye(s, d); },
     .help = "消除红眼"},
    // The largest sizes the size message can carry: the height travels as a signed number.
    {.code = WM_OP_RESIZE,
     .batchName = "resize",
     .valueNames = "W,H",
     .parameterCount = 2,
     .ranges = {{{1, 65535}, {1, 32767}}},
     .ignoresOutOfRange = true,
     .pack = [](const ParameterValues& v) { return PackSize(v[0], v[1]); },
     .unpack =
         [](LParam l) {
           const ImageSize size = DecodeSize(l);
           return ParameterValues{size.width, size.height};
         },
     .shape = Shape::kResize,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam l) {
           const ImageSize size = DecodeSize(l);
           return ResizeImage(s, d, size.width, size.height);
         },
     .help = "尺寸，宽 %1..%2、高 %3..%4 像素"},
    {.code = WM_OP_CROP,
     .batchName = "crop",
     .shape = Shape::kCrop,
     .start = ResultStart::kMadeByRoutine,
     .help = "裁剪到选区"},
    {.code = WM_OP_ROTATE,
     .batchName = "rotate",
     .valueNames = "A",
     .parameterCount = 1,
     .ranges = {{{0, 359}}},
     .ignoresOutOfRange = true,
     .pack = [](const ParameterValues& v) { return PackAngle(v[0]); },
     .unpack = [](LParam l) { return ParameterValues{static_cast<int>(DecodeAngle(l))}; },
     .previews = true,
     .shape = Shape::kRotate,
     .start = ResultStart::kMadeByRoutine,
     .help = "顺时针旋转 A 度，%1..%2"},
    {.code = WM_OP_MIRROR,
     .selectorMask = kMirrorSelectorBit,
     .selector = kMirrorHorizontal,
     .batchName = "mirror",
     .variantName = "horizontal",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return MirrorHorizontal(s, d); },
     .help = "水平镜像"},
    {.code = WM_OP_MIRROR,
     .selectorMask = kMirrorSelectorBit,
     .selector = kMirrorVertical,
     .batchName = "mirror",
     .variantName = "vertical",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return MirrorVertical(s, d); },
     .help = "垂直镜像"},
    // Only selector 0 is accepted.
    {.code = WM_OP_SHARPEN,
     .selectorMask = kSelectorBits,
     .batchName = "sharpen",
     .start = ResultStart::kBorderCopied,
     .routine = [](const PixelImage& s, PixelImage& d,
                   LParam) { return SharpenLaplacian(s, d, kSharpenKernel, kSharpenDivisor); },
     .help = "拉普拉斯锐化"},
    {.code = WM_OP_SOFTEN,
     .selectorMask = kSelectorBits,
     .selector = kSoftenBox,
     .batchName = "soften",
     .variantName = "box",
     .start = ResultStart::kBorderCopied,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam) {
           return SmoothWithKernel(s, d, kSmoothKernels[kSoftenBox], kSmoothDivisors[kSoftenBox]);
         },
     .help = "简单柔化"},
    {.code = WM_OP_SOFTEN,
     .selectorMask = kSelectorBits,
     .selector = kSoftenGaussian,
     .batchName = "soften",
     .variantName = "gaussian",
     .start = ResultStart::kBorderCopied,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam) {
           return SmoothWithKernel(s, d, kSmoothKernels[kSoftenGaussian],
                                   kSmoothDivisors[kSoftenGaussian]);
         },
     .help = "高斯柔化"},
    {.code = WM_OP_SOFTEN,
     .selectorMask = kSelectorBits,
     .selector = kSoftenMedian,
     .batchName = "soften",
     .variantName = "median",
     .start = ResultStart::kBorderCopied,
     .routine =
         [](const PixelImage& s, PixelImage& d, LParam) {
           return MedianFilter(s, d, kSmoothKernels[kSoftenMedian], kSmoothDivisors[kSoftenMedian]);
         },
     .help = "中值滤波"},
    {.code = WM_OP_EMBOSS,
     .batchName = "emboss",
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return Emboss(s, d); },
     .help = "浮雕效果"},
    {.code = WM_OP_MOSAIC,
     .batchName = "mosaic",
     .valueNames = "N",
     .parameterCount = 1,
     .ranges = {{{1, 65535}}},
     .ignoresOutOfRange = true,
     .pack = [](const ParameterValues& v) { return PackBlockSize(v[0]); },
     .unpack = [](LParam l) { return ParameterValues{static_cast<int>(DecodeBlockSize(l))}; },
     .previews = true,
     .routine = [](const PixelImage& s, PixelImage& d,
                   LParam l) { return Mosaic(s, d, DecodeBlockSize(l)); },
     .help = "马赛克效果，块大小 %1..%2"},
    {.code = WM_OP_SKETCH,
     .batchName = "sketch",
     .start = ResultStart::kBorderCopied,
     .routine = [](const PixelImage& s, PixelImage& d, LParam) { return Sketch(s, d); },
     .help = "素描图效果"},
};

constexpr std::span<const OperationRow> OperationTable() {
  return kOperations;
}

// The row that runs `code` with `wParam`; none for the restore message and for selectors the
// operation does not have.
constexpr const OperationRow* FindOperation(std::uint32_t code, WParam wParam) {
  for (const OperationRow& row : kOperations) {
    if (row.code == code && (wParam & row.selectorMask) == row.selector) {
      return &row;
    }
  }
  return nullptr;
}

// False when the handler ignores the message for a value outside its range.
constexpr bool HandlerAccepts(const OperationRow& row, LParam lParam) {
  if (!row.ignoresOutOfRange) {
    return true;
  }
  const ParameterValues values = row.unpack(lParam);
  for (int k = 0; k < row.parameterCount; ++k) {
    if (values[k] < row.ranges[k].low || values[k] > row.ranges[k].high) {
      return false;
    }
  }
  return true;
}

}  // namespace vantoria::ops
