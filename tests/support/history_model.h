#pragma once

// A plain model of the edit history, shared by the document and dispatcher suites: one whole
// picture per history position and the position in it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/pixel_image.h"
#include "core/region.h"
#include "document/vantoria_doc.h"

namespace vantoria::test {

// The history as a user sees it. images[k] is the picture after k applied steps; images[0] is
// the oldest state undo can reach. A step dropped for the budget takes images[0] with it.
class HistoryModel {
 public:
  struct Step {
    std::uint32_t code;
    std::optional<Region> region;
    std::size_t bytes;
  };

  explicit HistoryModel(ImagePtr opened) { images_.push_back(std::move(opened)); }

  const PixelImage& Shown() const { return *images_[position_]; }
  const PixelImage& BeforeCurrent() const { return *images_[position_ - 1]; }
  const Step* Current() const { return position_ ? &steps_[position_ - 1] : nullptr; }
  std::size_t Position() const { return position_; }
  std::size_t StepCount() const { return steps_.size(); }
  bool Modified() const { return position_ > 0 || baseDiffers_; }
  std::size_t Drops() const { return drops_; }
  std::size_t TotalBytes() const {
    std::size_t total = 0;
    for (const Step& step : steps_) {
      total += step.bytes;
    }
    return total;
  }

  // A new step: the redo branch goes, then the oldest steps until it fits.
  void Push(ImagePtr result, Step step, std::size_t budget) {
    images_.resize(position_ + 1);
    steps_.resize(position_);
    while (!steps_.empty() && TotalBytes() + step.bytes > budget) {
      DropOldest();
    }
    images_.push_back(std::move(result));
    steps_.push_back(step);
    ++position_;
  }
  // A rerun into the current step; a larger result drops the oldest steps before it.
  void Replace(ImagePtr result, std::size_t bytes, std::size_t budget) {
    images_[position_] = std::move(result);
    steps_[position_ - 1].bytes = bytes;
    while (position_ > 1 && TotalBytes() > budget) {
      DropOldest();
    }
  }
  void Undo() { position_ -= position_ > 0; }
  void Redo() { position_ += position_ < steps_.size(); }
  // Cancel: the current step and anything after it are gone.
  void Restore() {
    if (position_ > 0) {
      images_.resize(position_);
      steps_.resize(position_ - 1);
      --position_;
    }
  }
  void Saved() {
    images_.erase(images_.begin(), images_.begin() + static_cast<std::ptrdiff_t>(position_));
    images_.resize(1);
    steps_.clear();
    position_ = 0;
    baseDiffers_ = false;
  }

 private:
  void DropOldest() {
    images_.erase(images_.begin());
    steps_.erase(steps_.begin());
    --position_;
    baseDiffers_ = true;
    ++drops_;
  }

  std::vector<ImagePtr> images_;
  std::vector<Step> steps_;
  std::size_t position_ = 0;
  bool baseDiffers_ = false;
  std::size_t drops_ = 0;
};

// The current step's place in the document's history, counted from the oldest (0: none).
inline std::size_t HistoryPosition(const CVantoriaDoc& document) {
  std::size_t position = 0;
  for (const HistoryStep* step = document.GetHistory().oldest(); step; step = step->newer.get()) {
    ++position;
    if (step == document.GetCurrentStep()) {
      return position;
    }
  }
  return 0;
}

}  // namespace vantoria::test
