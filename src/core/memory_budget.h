#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace vantoria {

class MemoryBudget;

// Bytes charged to a budget; they are given back when the reservation goes. An empty one
// (false) stands for a refusal.
class MemoryReservation {
 public:
  MemoryReservation() = default;
  MemoryReservation(MemoryReservation&& other) noexcept;
  MemoryReservation& operator=(MemoryReservation&& other) noexcept;
  ~MemoryReservation() { Release(); }

  explicit operator bool() const { return m_pBudget != nullptr; }
  std::size_t bytes() const { return m_nBytes; }
  void Release() noexcept;

 private:
  friend class MemoryBudget;
  MemoryReservation(MemoryBudget* budget, std::size_t bytes) : m_pBudget(budget), m_nBytes(bytes) {}

  MemoryBudget* m_pBudget = nullptr;
  std::size_t m_nBytes = 0;
};

// Whatever holds undo steps the budget may take back when it runs short. Stamps order the
// steps of every holder by age, so the oldest in the whole program goes first.
class MemoryReclaimer {
 public:
  // The stamp of the oldest step that may be dropped; none when none may.
  virtual std::optional<std::uint64_t> OldestStamp() const = 0;
  // The bytes of every step that may be dropped.
  virtual std::size_t ReclaimableBytes() const = 0;
  virtual void DropOldest() = 0;

 protected:
  ~MemoryReclaimer() = default;

 private:
  friend class MemoryBudget;
  MemoryReclaimer* m_pNextReclaimer = nullptr;
};

// One budget for the memory of the whole program: pictures, undo steps, display copies and the
// blocks kept for reuse. Linux over-commits, so running out is prevented here rather than
// caught: what does not fit, even after the kept blocks and the oldest undo steps have gone,
// is refused. Trivially destructible, so reservations released during static destruction
// still find it.
class MemoryBudget {
 public:
  // A limit of 0 stands for the default, half of physical memory.
  constexpr explicit MemoryBudget(std::size_t limit = 0) : m_nLimit(limit) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  std::size_t Limit() const;
  void SetLimit(std::size_t bytes);
  std::size_t Used() const;

  // The bytes that would fit once the kept blocks and every step that may be dropped were gone,
  // and `freedToo` bytes the caller gives back itself when it goes ahead.
  std::size_t Room(std::size_t freedToo = 0) const;
  bool Fits(std::size_t bytes, std::size_t freedToo = 0) const { return bytes <= Room(freedToo); }
  // Makes room (kept blocks first, then the oldest steps of any holder) and charges `bytes`.
  // Empty, with nothing dropped, when they cannot fit even then.
  [[nodiscard]] MemoryReservation Reserve(std::size_t bytes);
  // Reserve, or a charge past the limit when that fails: for callers that asked Fits first and
  // can no longer turn back, so the count stays exact.
  MemoryReservation ReserveChecked(std::size_t bytes);
  // Makes the reservation `bytes`, as Reserve makes room; false, unchanged, when it cannot.
  [[nodiscard]] bool Resize(MemoryReservation& reservation, std::size_t bytes);
  // A new stamp, later than every one before.
  std::uint64_t NextStamp();

  void AddReclaimer(MemoryReclaimer* reclaimer);
  void RemoveReclaimer(MemoryReclaimer* reclaimer);

  // For the cache of freed blocks: charges a block kept only when it fits as it is.
  [[nodiscard]] bool ChargeKeptBlock(std::size_t bytes);
  void ReleaseKeptBlock(std::size_t bytes) noexcept;

 private:
  friend class MemoryReservation;
  void Give(std::size_t bytes) noexcept;
  std::size_t ReclaimableBytes() const;
  MemoryReclaimer* OldestHolder() const;

  mutable std::mutex m_lock;  // the counts only: blocks are freed on any thread
  std::size_t m_nLimit;
  std::size_t m_nUsed = 0;
  std::size_t m_nKept = 0;  // of m_nUsed, the blocks kept for reuse
  std::uint64_t m_nStamp = 0;
  MemoryReclaimer* m_pReclaimers = nullptr;  // user-interface thread only
};

// The default budget, and the default limit for one decoded picture.
std::size_t HalfOfPhysicalMemory();

// The budget every document, view and cache of the program charges.
MemoryBudget& ProgramMemoryBudget();

}  // namespace vantoria
