#include "opencv_equivalents.h"

#ifdef VANTORIA_BENCH_OPENCV
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vantoria::bench {

#ifdef VANTORIA_BENCH_OPENCV

namespace {

struct Mats {
  cv::Mat source;
  cv::Mat destination;
  cv::Mat grey;
  cv::Mat lut;
  cv::Mat lutAlpha;
  cv::Mat half;
  cv::Mat oneAndHalf;
  cv::Mat turned;
  cv::Mat turned90;
  cv::Mat turned180;
  cv::Mat rotation;
  cv::Mat sharpenKernel;
  cv::Mat embossKernel;
  cv::Mat laplacianKernel;
};

cv::Mat TableOf(bool alphaOnly) {
  cv::Mat table(1, 256, CV_8UC4);
  for (int v = 0; v < 256; ++v) {
    const auto changed = static_cast<std::uint8_t>(255 - v);
    const auto kept = static_cast<std::uint8_t>(v);
    table.at<cv::Vec4b>(0, v) = alphaOnly ? cv::Vec4b(kept, kept, kept, changed)
                                          : cv::Vec4b(changed, changed, changed, kept);
  }
  return table;
}

// The rotation about the centre into a canvas of the turned picture's size, as RotateImage.
cv::Mat RotationInto(const cv::Size& from, const cv::Size& to, double degrees) {
  cv::Mat rotation = cv::getRotationMatrix2D(
      cv::Point2f(static_cast<float>(from.width) / 2.0f, static_cast<float>(from.height) / 2.0f),
      -degrees, 1.0);
  rotation.at<double>(0, 2) += (to.width - from.width) / 2.0;
  rotation.at<double>(1, 2) += (to.height - from.height) / 2.0;
  return rotation;
}

}  // namespace

OpenCvEquivalents MakeOpenCvEquivalents(const PixelImage& source) {
  auto m = std::make_shared<Mats>();
  m->source = cv::Mat(source.height, source.width, CV_8UC4,
                      const_cast<Pixel*>(source.pixels()));  // read only
  m->destination = m->source.clone();
  m->grey = cv::Mat(source.height, source.width, CV_8UC1);
  m->lut = TableOf(false);
  m->lutAlpha = TableOf(true);
  m->half = cv::Mat(source.height / 2, source.width / 2, CV_8UC4);
  m->oneAndHalf = cv::Mat(source.height * 3 / 2, source.width * 3 / 2, CV_8UC4);
  m->sharpenKernel = (cv::Mat_<float>(3, 3) << -1.f / 3, -1.f / 3, -1.f / 3, -1.f / 3,
                      1.f + 8.f / 3, -1.f / 3, -1.f / 3, -1.f / 3, -1.f / 3);
  m->embossKernel = (cv::Mat_<float>(3, 3) << 0, 0, 0, 0, 1, 0, 0, 0, -1);
  m->laplacianKernel = (cv::Mat_<float>(3, 3) << 1, 1, 1, 1, -8, 1, 1, 1, 1);
  // The turned canvas of a 30 degree turn, as RotateImage sizes it.
  const cv::Size turnedSize(7197, 6465);
  m->turned = cv::Mat(turnedSize, CV_8UC4);
  m->rotation = RotationInto(m->source.size(), turnedSize, 30.0);
  m->turned90 = cv::Mat(source.width, source.height, CV_8UC4);
  m->turned180 = cv::Mat(source.height, source.width, CV_8UC4);

  OpenCvEquivalents runs;
  runs.lut = [m] { cv::LUT(m->source, m->lut, m->destination); };
  runs.lutAlpha = [m] { cv::LUT(m->source, m->lutAlpha, m->destination); };
  runs.invertXor = [m] {
    cv::bitwise_xor(m->source, cv::Scalar(255, 255, 255, 0), m->destination);
  };
  runs.greyRoundTrip = [m] {
    cv::cvtColor(m->source, m->grey, cv::COLOR_BGRA2GRAY);
    cv::cvtColor(m->grey, m->destination, cv::COLOR_GRAY2BGRA);
  };
  runs.thresholdRoundTrip = [m] {
    cv::cvtColor(m->source, m->grey, cv::COLOR_BGRA2GRAY);
    cv::threshold(m->grey, m->grey, 128, 255, cv::THRESH_BINARY);
    cv::cvtColor(m->grey, m->destination, cv::COLOR_GRAY2BGRA);
  };
  runs.sharpen = [m] { cv::filter2D(m->source, m->destination, -1, m->sharpenKernel); };
  runs.box = [m] { cv::blur(m->source, m->destination, cv::Size(3, 3)); };
  runs.gaussian = [m] { cv::GaussianBlur(m->source, m->destination, cv::Size(3, 3), 0); };
  runs.median = [m] { cv::medianBlur(m->source, m->destination, 3); };
  runs.emboss = [m] {
    cv::filter2D(m->source, m->destination, -1, m->embossKernel, cv::Point(-1, -1), 128);
  };
  runs.twoFilters = [m] {
    cv::filter2D(m->source, m->destination, -1, m->laplacianKernel);
    cv::blur(m->destination, m->destination, cv::Size(3, 3));
  };
  runs.resizeHalf = [m] { cv::resize(m->source, m->half, m->half.size(), 0, 0, cv::INTER_LINEAR); };
  runs.resizeOneAndHalf = [m] {
    cv::resize(m->source, m->oneAndHalf, m->oneAndHalf.size(), 0, 0, cv::INTER_LINEAR);
  };
  runs.rotate30 = [m] {
    cv::warpAffine(m->source, m->turned, m->rotation, m->turned.size(), cv::INTER_LINEAR,
                   cv::BORDER_CONSTANT, cv::Scalar::all(255));
  };
  runs.rotate90 = [m] { cv::rotate(m->source, m->turned90, cv::ROTATE_90_CLOCKWISE); };
  runs.rotate180 = [m] { cv::rotate(m->source, m->turned180, cv::ROTATE_180); };
  runs.rotate270 = [m] { cv::rotate(m->source, m->turned90, cv::ROTATE_90_COUNTERCLOCKWISE); };
  runs.flipHorizontal = [m] { cv::flip(m->source, m->destination, 1); };
  runs.flipVertical = [m] { cv::flip(m->source, m->destination, 0); };
  return runs;
}

void SetOpenCvThreads(int threads) {
  cv::setNumThreads(threads);
}

bool HaveOpenCv() {
  return true;
}

#else

OpenCvEquivalents MakeOpenCvEquivalents(const PixelImage&) {
  return {};
}

void SetOpenCvThreads(int) {}

bool HaveOpenCv() {
  return false;
}

#endif

}  // namespace vantoria::bench
