#pragma once

#include "comparison.h"
#include "core/pixel_image.h"

namespace vantoria::bench {

// OpenCV's nearest equivalents, each on `source` (wrapped, not copied) into a destination made
// once. Without OpenCV every one is an empty Run.
struct OpenCvEquivalents {
  Run lut;                 // 256-entry table on blue, green and red
  Run lutAlpha;            // 256-entry table on alpha
  Run invertXor;           // bitwise XOR with (255, 255, 255, 0)
  Run greyRoundTrip;       // BGRA -> grey -> BGRA
  Run thresholdRoundTrip;  // BGRA -> grey, threshold, -> BGRA
  Run sharpen;             // filter2D with the sharpening kernel
  Run box;                 // 3 x 3 blur
  Run gaussian;            // 3 x 3 Gaussian blur
  Run median;              // 3 x 3 median blur
  Run emboss;              // filter2D with a diagonal difference kernel, plus 128
  Run twoFilters;          // filter2D Laplacian, then 3 x 3 blur
  Run resizeHalf;          // bilinear to 3000 x 2000
  Run resizeOneAndHalf;    // bilinear to 9000 x 6000
  Run rotate30;            // bilinear warpAffine into the whole turned canvas, corners white
  Run rotate90;            // cv::rotate, clockwise
  Run rotate180;           // cv::rotate, half a turn
  Run rotate270;           // cv::rotate, counter-clockwise
  Run flipHorizontal;
  Run flipVertical;
};

OpenCvEquivalents MakeOpenCvEquivalents(const PixelImage& source);

}  // namespace vantoria::bench
