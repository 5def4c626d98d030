#include <gtest/gtest.h>

#include "operations/operation_messages.h"

namespace vantoria::ops {
namespace {

TEST(OperationMessages, CodesRunFrom1124To1140InOrder) {
  EXPECT_EQ(WM_OP_RESTORE, 1124u);
  EXPECT_EQ(WM_OP_RESIZE, 1132u);
  EXPECT_EQ(WM_OP_SKETCH, 1140u);
}

TEST(OperationMessages, WParamIsTwiceTheOriginPlusTheNewStepBit) {
  EXPECT_EQ(PackWParam(kOriginFinal, true), 1u);
  EXPECT_EQ(PackWParam(kOriginFinal, false), 0u);
  EXPECT_EQ(PackWParam(kOriginFirstControl, true), 5u);
  EXPECT_EQ(PackWParam(kOriginFirstControl, false), 4u);
  EXPECT_EQ(PackWParam(kOriginSecondControl, true), 7u);
  EXPECT_EQ(PackWParam(kOriginThirdControl, false), 8u);
  EXPECT_TRUE(NewStepBit(9));
  EXPECT_FALSE(NewStepBit(8));
}

TEST(OperationMessages, BrightnessAtFullWithContrastZero) {
  const LParam packed = PackBrightnessContrast(100, 0);
  EXPECT_EQ(packed, 200u | 100u << 8);
  const BrightnessContrast values = DecodeBrightnessContrast(packed);
  EXPECT_EQ(values.brightness, 254);  // 100 x 2.55 truncates below 255
  EXPECT_EQ(values.contrast, 0.0);
}

TEST(OperationMessages, SliderOffsetsTruncateTheirProductWith255Hundredths) {
  EXPECT_EQ(DecodeTransparency(PackTransparency(20)), 51);
  EXPECT_EQ(DecodeTransparency(PackTransparency(50)), 127);
  EXPECT_EQ(DecodeTransparency(PackTransparency(-100)), -254);
  EXPECT_EQ(DecodeTransparency(PackTransparency(-1)), -2);
  for (int v = -100; v <= 100; ++v) {
    const int expected = static_cast<int>(v * 2.55);
    EXPECT_EQ(DecodeBrightnessContrast(PackBrightnessContrast(v, v)).brightness, expected);
    EXPECT_EQ(DecodeBrightnessContrast(PackBrightnessContrast(v, v)).contrast, v / 100.0);
  }
}

TEST(OperationMessages, HueSaturationLightnessPacking) {
  const LParam packed = PackHsl(50, -20, 0);
  EXPECT_EQ(packed, 150u | 80u << 8 | 100u << 16);
  const HslOffsets offsets = DecodeHsl(packed);
  EXPECT_EQ(offsets.hue, 180.0);
  EXPECT_EQ(offsets.saturation, -0.2);
  EXPECT_EQ(offsets.lightness, 0.0);
  EXPECT_EQ(DecodeHsl(PackHsl(-100, 100, -100)).hue, -360.0);
}

TEST(OperationMessages, HigherBitsAreIgnored) {
  EXPECT_EQ(DecodeThreshold(0xABCD0080u), 128);
  EXPECT_EQ(DecodeTransparency(0xFFFFFF00u | 200u), 254);
  EXPECT_EQ(DecodeAngle(0x12340000u | 90u), 90u);
  EXPECT_EQ(DecodeBlockSize(0xFFFF0000u | 7u), 7u);
}

TEST(OperationMessages, SizeHeightIsSignedSixteenBits) {
  const ImageSize size = DecodeSize(PackSize(65535, 32767));
  EXPECT_EQ(size.width, 65535);
  EXPECT_EQ(size.height, 32767);
  EXPECT_LT(DecodeSize(PackSize(10, 40000)).height, 0);
  EXPECT_LT(DecodeSize(PackSize(10, 0x8000)).height, 0);
  EXPECT_EQ(DecodeSize(PackSize(0, 5)).width, 0);
}

}  // namespace
}  // namespace vantoria::ops
