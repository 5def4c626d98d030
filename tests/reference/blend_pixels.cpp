// Frozen copy of the plain routine in src/imaging/ (the exactness tests compare against it).

// BlendPixels(P, wP, Q, wQ): for each of A, R, G, B separately,
//   channel = trunc(double(P.c) * wP + double(Q.c) * wQ)
// both products formed first, then added, in double; truncated toward zero and kept to 8 bits.
// Callers pass weights in [0, 1] that sum to 1, so every channel stays within 0 to 255.

#include "imaging/channels.h"
#include "reference/reference_ops.h"

namespace vantoria::reference {
namespace {

int BlendChannel(int p, double weightP, int q, double weightQ) {
  return static_cast<int>(static_cast<double>(p) * weightP + static_cast<double>(q) * weightQ);
}

}  // namespace

Pixel BlendPixels(Pixel p, double weightP, Pixel q, double weightQ) {
  return MakePixel(BlendChannel(AlphaOf(p), weightP, AlphaOf(q), weightQ),
                   BlendChannel(RedOf(p), weightP, RedOf(q), weightQ),
                   BlendChannel(GreenOf(p), weightP, GreenOf(q), weightQ),
                   BlendChannel(BlueOf(p), weightP, BlueOf(q), weightQ));
}

}  // namespace vantoria::reference
