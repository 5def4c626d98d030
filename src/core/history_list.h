#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/memory_budget.h"
#include "core/pixel_image.h"
#include "core/region.h"

namespace vantoria {

// One edit: the pixels of the changed area before and after it. Undo and redo copy these
// back; nothing replays the message.
struct HistoryStep {
  std::uint32_t message = 0;
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
  HistoryStep* older = nullptr;
  std::unique_ptr<HistoryStep> newer;  // each step owns the rest of the chain after it
  ImagePtr before;
  ImagePtr after;
  std::optional<Region> region;  // where before/after belong; empty for whole images
  // The step's share of the program's memory budget, and its age among every document's steps.
  MemoryReservation charge;
  std::uint64_t stamp = 0;

  HistoryStep() = default;
  HistoryStep(const HistoryStep&) = delete;
  HistoryStep& operator=(const HistoryStep&) = delete;
  ~HistoryStep();

  std::size_t byteSize() const;
};

using HistoryStepPtr = std::unique_ptr<HistoryStep>;

[[nodiscard]] HistoryStepPtr CreateHistoryStep(std::uint32_t message, std::optional<Region> region,
                                               std::uint32_t wParam, std::uint32_t lParam,
                                               ImagePtr before, ImagePtr after);
// Frees the step with its images and empties the pointer; nothing when it is already empty.
void FreeHistoryStep(HistoryStepPtr& step);

// A linear, doubly linked history from oldest to newest. It owns its steps.
class HistoryList {
 public:
  HistoryList() = default;
  HistoryList(const HistoryList&) = delete;
  HistoryList& operator=(const HistoryList&) = delete;
  ~HistoryList();

  HistoryStep* oldest() const { return m_oldest.get(); }
  HistoryStep* newest() const { return m_newest; }
  bool empty() const { return !m_oldest; }
  std::size_t count() const;
  // Bytes held by every step's images.
  std::size_t byteSize() const;

  // The step becomes the newest; returns it.
  HistoryStep* Append(HistoryStepPtr step);
  // Unlinks and frees the step; nothing when it is null. The step must be in this list.
  void Remove(HistoryStep* step);
  // Removes and frees the step and every newer one; nothing when it is null.
  void TruncateFrom(HistoryStep* step);
  void RemoveAll();

 private:
  // Detaches the step from its owner in the chain, leaving the neighbours linked to each other.
  HistoryStepPtr Unlink(HistoryStep* step);

  HistoryStepPtr m_oldest;
  HistoryStep* m_newest = nullptr;
};

}  // namespace vantoria
