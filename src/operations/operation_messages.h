#pragma once

// The one definition of the operation messages: their codes, what wParam means and how each
// parameter is packed into lParam. Senders (view commands, dialogs, the batch tool) pack with
// the helpers below; the dispatcher decodes with them. Values that can be negative travel with
// 100 added, one unsigned byte each.

#include <cstdint>

namespace vantoria::ops {

using WParam = std::uint32_t;
using LParam = std::uint32_t;

struct OperationMessage {
  std::uint32_t code = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  friend constexpr bool operator==(const OperationMessage&, const OperationMessage&) = default;
};

inline constexpr std::uint32_t kUserBase = 0x0400;

enum Code : std::uint32_t {
  WM_OP_RESTORE = kUserBase + 100,  // 1124
  WM_OP_BRIGHTNESS_CONTRAST,        // 1125
  WM_OP_TRANSPARENCY,               // 1126
  WM_OP_HSL,                        // 1127
  WM_OP_INVERT,                     // 1128
  WM_OP_GRAYSCALE,                  // 1129
  WM_OP_BINARIZE,                   // 1130
  WM_OP_REDEYE,                     // 1131
  WM_OP_RESIZE,                     // 1132
  WM_OP_CROP,                       // 1133
  WM_OP_ROTATE,                     // 1134
  WM_OP_MIRROR,                     // 1135
  WM_OP_SHARPEN,                    // 1136
  WM_OP_SOFTEN,                     // 1137
  WM_OP_EMBOSS,                     // 1138
  WM_OP_MOSAIC,                     // 1139
  WM_OP_SKETCH,                     // 1140
};

inline constexpr std::uint32_t kFirstCode = WM_OP_RESTORE;
inline constexpr std::uint32_t kLastCode = WM_OP_SKETCH;

// wParam of the adjustable operations: 2 x origin + new-step bit.
enum Origin : std::uint32_t {
  kOriginFinal = 0,  // OK
  kOriginFirstControl = 2,
  kOriginSecondControl = 3,
  kOriginThirdControl = 4,
};
constexpr WParam PackWParam(Origin origin, bool newStep) {
  return 2u * origin + (newStep ? 1u : 0u);
}
constexpr bool NewStepBit(WParam wParam) {
  return (wParam & 1u) != 0;
}

// wParam selectors of the fixed operations.
enum GrayscaleMethod : WParam { kGrayMaximum = 0, kGrayAverage = 1, kGrayWeighted = 2 };
enum MirrorMethod : WParam { kMirrorHorizontal = 0, kMirrorVertical = 64 };
enum SoftenMethod : WParam { kSoftenBox = 0, kSoftenGaussian = 1, kSoftenMedian = 2 };
// Grey-scale, sharpen and soften read their selector from bits 0-1, mirror from bit 6; a
// selector no row of the table names is ignored.
inline constexpr WParam kSelectorBits = 3u;
inline constexpr WParam kMirrorSelectorBit = kMirrorVertical;

// Quarter turns from the toolbar and menu: clockwise angles.
inline constexpr LParam kRotateRightAngle = 90;
inline constexpr LParam kRotateLeftAngle = 270;

// --- Packing (senders). Slider values v run from -100 to 100; threshold 0..255. ---

constexpr LParam OffsetByte(int value) {
  return static_cast<LParam>(value + 100) & 0xFFu;
}

constexpr LParam PackBrightnessContrast(int brightness, int contrast) {
  return OffsetByte(brightness) | OffsetByte(contrast) << 8;
}
constexpr LParam PackTransparency(int transparency) {
  return OffsetByte(transparency);
}
constexpr LParam PackHsl(int hue, int saturation, int lightness) {
  return OffsetByte(hue) | OffsetByte(saturation) << 8 | OffsetByte(lightness) << 16;
}
constexpr LParam PackThreshold(int threshold) {
  return static_cast<LParam>(threshold) & 0xFFu;
}
// Width in bits 0-15; height in bits 16-31, read back as a signed 16-bit number.
constexpr LParam PackSize(std::uint32_t width, std::uint32_t height) {
  return (width & 0xFFFFu) | (height & 0xFFFFu) << 16;
}
constexpr LParam PackAngle(std::uint32_t clockwiseDegrees) {
  return clockwiseDegrees & 0xFFFFu;
}
constexpr LParam PackBlockSize(std::uint32_t blockSize) {
  return blockSize & 0xFFFFu;
}

// --- Decoding (handlers). Only the listed bytes are read; higher bits are ignored. ---

constexpr int ByteAt(LParam lParam, int index) {
  return static_cast<int>((lParam >> (8 * index)) & 0xFFu);
}
// (byte - 100) x 2.55 in double, truncated: +100 gives 254, -100 gives -254.
constexpr int OffsetTimes255(int byte) {
  return static_cast<int>((byte - 100) * 2.55);
}

struct BrightnessContrast {
  int brightness;   // -254..254
  double contrast;  // -1.0..1.0
};
constexpr BrightnessContrast DecodeBrightnessContrast(LParam lParam) {
  return {OffsetTimes255(ByteAt(lParam, 0)), (ByteAt(lParam, 1) - 100) / 100.0};
}
constexpr int DecodeTransparency(LParam lParam) {
  return OffsetTimes255(ByteAt(lParam, 0));
}

struct HslOffsets {
  double hue;  // degrees, -360..360
  double saturation;
  double lightness;
};
constexpr HslOffsets DecodeHsl(LParam lParam) {
  return {(ByteAt(lParam, 0) - 100) * 3.6, (ByteAt(lParam, 1) - 100) / 100.0,
          (ByteAt(lParam, 2) - 100) / 100.0};
}
constexpr int DecodeThreshold(LParam lParam) {
  return ByteAt(lParam, 0);
}

struct ImageSize {
  int width;
  int height;  // negative for 0x8000 and above
};
constexpr ImageSize DecodeSize(LParam lParam) {
  return {static_cast<int>(lParam & 0xFFFFu),
          static_cast<int>(static_cast<std::int16_t>(static_cast<std::uint16_t>(lParam >> 16)))};
}
constexpr unsigned DecodeAngle(LParam lParam) {
  return lParam & 0xFFFFu;
}
constexpr unsigned DecodeBlockSize(LParam lParam) {
  return lParam & 0xFFFFu;
}

}  // namespace vantoria::ops
