#include "core/memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "core/pixel_image.h"

namespace vantoria {
namespace {

// Whether `bytes` more fit beside `used` under `limit`, without overflowing.
bool FitsUnder(std::size_t used, std::size_t bytes, std::size_t limit) {
  return used <= limit && bytes <= limit - used;
}

constinit MemoryBudget g_programBudget;

}  // namespace

std::size_t HalfOfPhysicalMemory() {
  constexpr std::size_t kFallback = std::size_t{1} << 30;  // when memory size is unknown
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) {
    return kFallback;
  }
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 2;
}

MemoryReservation::MemoryReservation(MemoryReservation&& other) noexcept
    : m_pBudget(std::exchange(other.m_pBudget, nullptr)),
      m_nBytes(std::exchange(other.m_nBytes, 0)) {}

MemoryReservation& MemoryReservation::operator=(MemoryReservation&& other) noexcept {
  if (this != &other) {
    Release();
    m_pBudget = std::exchange(other.m_pBudget, nullptr);
    m_nBytes = std::exchange(other.m_nBytes, 0);
  }
  return *this;
}

void MemoryReservation::Release() noexcept {
  if (m_pBudget) {
    m_pBudget->Give(m_nBytes);
  }
  m_pBudget = nullptr;
  m_nBytes = 0;
}

std::size_t MemoryBudget::Limit() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_nLimit != 0 ? m_nLimit : HalfOfPhysicalMemory();
}

void MemoryBudget::SetLimit(std::size_t bytes) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_nLimit = bytes;
}

std::size_t MemoryBudget::Used() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_nUsed;
}

std::size_t MemoryBudget::ReclaimableBytes() const {
  std::size_t bytes = 0;
  for (const MemoryReclaimer* holder = m_pReclaimers; holder; holder = holder->m_pNextReclaimer) {
    bytes += holder->ReclaimableBytes();
  }
  return bytes;
}

std::size_t MemoryBudget::Room(std::size_t freedToo) const {
  const std::size_t reclaimable = ReclaimableBytes() + freedToo;
  const std::size_t limit = Limit();
  const std::lock_guard<std::mutex> guard(m_lock);
  const std::size_t held = m_nUsed - std::min(m_nUsed, reclaimable + m_nKept);
  return held <= limit ? limit - held : 0;
}

MemoryReclaimer* MemoryBudget::OldestHolder() const {
  MemoryReclaimer* oldest = nullptr;
  std::optional<std::uint64_t> oldestStamp;
  for (MemoryReclaimer* holder = m_pReclaimers; holder; holder = holder->m_pNextReclaimer) {
    const std::optional<std::uint64_t> stamp = holder->OldestStamp();
    if (stamp && (!oldestStamp || *stamp < *oldestStamp)) {
      oldest = holder;
      oldestStamp = stamp;
    }
  }
  return oldest;
}

MemoryReservation MemoryBudget::Reserve(std::size_t bytes) {
  if (!Fits(bytes)) {
    return {};  // nothing dropped for a request that could not be met anyway
  }
  const std::size_t limit = Limit();
  bool keptReleased = false;
  for (;;) {
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      if (FitsUnder(m_nUsed, bytes, limit)) {
        m_nUsed += bytes;
        return {this, bytes};
      }
    }
    // Blocks kept for reuse cost nothing to give back; undo steps are the user's.
    if (!keptReleased) {
      keptReleased = true;
      ReleaseCachedPixels();
      continue;
    }
    MemoryReclaimer* oldest = OldestHolder();
    if (!oldest) {
      return {};
    }
    oldest->DropOldest();
  }
}

MemoryReservation MemoryBudget::ReserveChecked(std::size_t bytes) {
  MemoryReservation reservation = Reserve(bytes);
  if (!reservation) {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_nUsed += bytes;
    reservation = MemoryReservation(this, bytes);
  }
  return reservation;
}

bool MemoryBudget::Resize(MemoryReservation& reservation, std::size_t bytes) {
  const std::size_t held = reservation ? reservation.m_nBytes : 0;
  if (bytes > held) {
    MemoryReservation more = Reserve(bytes - held);
    if (!more) {
      return false;
    }
    more.m_pBudget = nullptr;  // merged into the reservation below
  } else {
    Give(held - bytes);
  }
  reservation.m_pBudget = this;
  reservation.m_nBytes = bytes;
  return true;
}

std::uint64_t MemoryBudget::NextStamp() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return ++m_nStamp;
}

void MemoryBudget::AddReclaimer(MemoryReclaimer* reclaimer) {
  reclaimer->m_pNextReclaimer = m_pReclaimers;
  m_pReclaimers = reclaimer;
}

void MemoryBudget::RemoveReclaimer(MemoryReclaimer* reclaimer) {
  for (MemoryReclaimer** link = &m_pReclaimers; *link; link = &(*link)->m_pNextReclaimer) {
    if (*link == reclaimer) {
      *link = reclaimer->m_pNextReclaimer;
      reclaimer->m_pNextReclaimer = nullptr;
      return;
    }
  }
}

bool MemoryBudget::ChargeKeptBlock(std::size_t bytes) {
  const std::size_t limit = Limit();
  const std::lock_guard<std::mutex> guard(m_lock);
  if (!FitsUnder(m_nUsed, bytes, limit)) {
    return false;
  }
  m_nUsed += bytes;
  m_nKept += bytes;
  return true;
}

void MemoryBudget::ReleaseKeptBlock(std::size_t bytes) noexcept {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_nKept -= bytes;
  m_nUsed -= bytes;
}

void MemoryBudget::Give(std::size_t bytes) noexcept {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_nUsed -= bytes;
}

MemoryBudget& ProgramMemoryBudget() {
  return g_programBudget;
}

}  // namespace vantoria
