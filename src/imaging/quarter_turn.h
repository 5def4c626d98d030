#pragma once

// Quarter turns. With the 15-digit pi, a turn by a multiple of 90 degrees
// puts every sample within a hair (below 1e-10) of the middle of four source pixels, so the
// blends there are averages of two bytes nudged by a tiny weight difference, and those have an
// exact integer form (quarter_turn.cpp proves it). The pixels come out bit for bit as the
// general rotation row makes them, at nearly the speed of a copy.

#include <cstdint>

#include "imaging/bilinear_rows.h"

namespace vantoria {

// True when the sine or the cosine of the angle is within 1e-9 of zero.
bool IsQuarterTurn(double sn, double cs);

// A rotation as the general path computes its sample positions: destination (i, j) samples at
// x = (i * sn + columnCs[j]) + ox, y = (i * cs - columnSn[j]) + oy.
struct RotationFrame {
  const PixelImage* source;
  double sn;
  double cs;
  double ox;
  double oy;
  const double* columnCs;
  const double* columnSn;
};

// Destination rows first..end-1 of a quarter turn, bit for bit the general rotation's pixels.
void QuarterTurnRows(const RotationFrame& frame, std::int32_t first, std::int32_t end,
                     PixelImage& turned);

// How a weight offset leans: far's weight 1/2 + e is above, at or below its half.
enum class Lean : std::int8_t { kNear = -1, kNone = 0, kFar = 1 };

// trunc(near * (1/2 - e) + far * (1/2 + e)) for two channel values 0..255, where e = 0 or
// 2^-45 <= |e| <= 2^-12, given only the sign of e.
inline int HalfwayChannel(int near, int far, Lean lean) {
  const int mean = (near + far) >> 1;
  const bool even = ((near + far) & 1) == 0;
  const bool down = (lean == Lean::kFar && far < near) || (lean == Lean::kNear && near < far);
  return even && down ? mean - 1 : mean;
}

}  // namespace vantoria
