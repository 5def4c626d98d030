#include "core/history_list.h"

#include <utility>

namespace vantoria {

HistoryStep::~HistoryStep() {
  // Release the chain after this step one link at a time, so a long history cannot overflow
  // the stack through nested destructors.
  HistoryStepPtr next = std::move(newer);
  while (next) {
    next = std::move(next->newer);
  }
}

std::size_t HistoryStep::byteSize() const {
  return (before ? before->byteSize() : 0) + (after ? after->byteSize() : 0);
}

HistoryStepPtr CreateHistoryStep(std::uint32_t message, std::optional<Region> region,
                                 std::uint32_t wParam, std::uint32_t lParam, ImagePtr before,
                                 ImagePtr after) {
  auto step = std::make_unique<HistoryStep>();
  step->message = message;
  step->wParam = wParam;
  step->lParam = lParam;
  step->before = std::move(before);
  step->after = std::move(after);
  step->region = region;
  return step;
}

void FreeHistoryStep(HistoryStepPtr& step) {
  step.reset();
}

HistoryList::~HistoryList() {
  RemoveAll();
}

std::size_t HistoryList::count() const {
  std::size_t steps = 0;
  for (const HistoryStep* step = oldest(); step; step = step->newer.get()) {
    ++steps;
  }
  return steps;
}

std::size_t HistoryList::byteSize() const {
  std::size_t bytes = 0;
  for (const HistoryStep* step = oldest(); step; step = step->newer.get()) {
    bytes += step->byteSize();
  }
  return bytes;
}

HistoryStep* HistoryList::Append(HistoryStepPtr step) {
  HistoryStep* appended = step.get();
  step->older = m_newest;
  step->newer.reset();
  if (m_newest) {
    m_newest->newer = std::move(step);
  } else {
    m_oldest = std::move(step);
  }
  m_newest = appended;
  return appended;
}

HistoryStepPtr HistoryList::Unlink(HistoryStep* step) {
  HistoryStepPtr& owner = step->older ? step->older->newer : m_oldest;
  HistoryStepPtr unlinked = std::move(owner);
  owner = std::move(unlinked->newer);
  if (owner) {
    owner->older = step->older;
  } else {
    m_newest = step->older;
  }
  unlinked->older = nullptr;
  return unlinked;
}

void HistoryList::Remove(HistoryStep* step) {
  if (!step) {
    return;
  }
  HistoryStepPtr unlinked = Unlink(step);
  FreeHistoryStep(unlinked);
}

void HistoryList::TruncateFrom(HistoryStep* step) {
  if (!step) {
    return;
  }
  while (m_newest) {
    HistoryStep* last = m_newest;
    const bool reachedStep = last == step;
    Remove(last);
    if (reachedStep) {
      return;
    }
  }
}

void HistoryList::RemoveAll() {
  TruncateFrom(oldest());
}

}  // namespace vantoria
