// Catches wrong codes, wParam layout, slider offsets, ignored high bits and size sign.
#include <gtest/gtest.h>

#include "operations/operation_messages.h"

namespace vantoria::ops {
namespace {

TEST(OperationMessages, CodesAndWParam) {
  EXPECT_EQ(WM_OP_RESTORE, 1124u);
  EXPECT_EQ(WM_OP_RESIZE, 1132u);
  EXPECT_EQ(WM_OP_SKETCH, 1140u);
  EXPECT_EQ(PackWParam(kOriginFinal, true), 1u);
  EXPECT_EQ(PackWParam(kOriginFinal, false), 0u);
  EXPECT_EQ(PackWParam(kOriginFirstControl, true), 5u);
  EXPECT_EQ(PackWParam(kOriginSecondControl, true), 7u);
  EXPECT_EQ(PackWParam(kOriginThirdControl, false), 8u);
  EXPECT_TRUE(NewStepBit(9));
  EXPECT_FALSE(NewStepBit(8));
}

TEST(OperationMessages, SliderOffsetsTruncateTheirProductWith255Hundredths) {
  EXPECT_EQ(PackBrightnessContrast(100, 0), 200u | 100u << 8);
  EXPECT_EQ(DecodeBrightnessContrast(PackBrightnessContrast(100, 0)).brightness, 254);
  EXPECT_EQ(DecodeTransparency(PackTransparency(50)), 127);
  EXPECT_EQ(DecodeTransparency(PackTransparency(-1)), -2);
  for (int v = -100; v <= 100; ++v) {
    EXPECT_EQ(DecodeTransparency(PackTransparency(v)), static_cast<int>(v * 2.55));
    EXPECT_EQ(DecodeBrightnessContrast(PackBrightnessContrast(v, v)).brightness,
              static_cast<int>(v * 2.55));
    EXPECT_EQ(DecodeBrightnessContrast(PackBrightnessContrast(v, v)).contrast, v / 100.0);
  }
  EXPECT_EQ(PackHsl(50, -20, 0), 150u | 80u << 8 | 100u << 16);
  const HslOffsets offsets = DecodeHsl(PackHsl(50, -20, 0));
  EXPECT_EQ(offsets.hue, 180.0);
  EXPECT_EQ(offsets.saturation, -0.2);
  EXPECT_EQ(offsets.lightness, 0.0);
  EXPECT_EQ(DecodeHsl(PackHsl(-100, 100, -100)).hue, -360.0);
}

TEST(OperationMessages, HigherBitsAreIgnoredAndTheSizeHeightIsSigned) {
  EXPECT_EQ(DecodeThreshold(0xABCD0080u), 128);
  EXPECT_EQ(DecodeTransparency(0xFFFFFF00u | 200u), 254);
  EXPECT_EQ(DecodeAngle(0x12340000u | 90u), 90u);
  EXPECT_EQ(DecodeBlockSize(0xFFFF0000u | 7u), 7u);
  EXPECT_EQ(DecodeSize(PackSize(65535, 32767)).width, 65535);
  EXPECT_EQ(DecodeSize(PackSize(65535, 32767)).height, 32767);
  EXPECT_LT(DecodeSize(PackSize(10, 0x8000)).height, 0);
  EXPECT_EQ(DecodeSize(PackSize(0, 5)).width, 0);
}

}  // namespace
}  // namespace vantoria::ops
