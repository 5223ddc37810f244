// Where a relative change of a one-byte setting lands: clamped to the
// accepted range and put on its step. The tool and the service move a
// setting alike, so that `vemoctl set brightness +10` and the service's
// Adjust write the same value.
#pragma once

#include <algorithm>

#include "api/settings.h"

namespace vemo::catalogue {

// The accepted value nearest to `wanted`; ties go in the direction of the
// change (`delta`).
inline unsigned char onStep(const vemo::settings::ByteRange& range, long wanted, long delta) {
  long clamped = std::min<long>(std::max<long>(wanted, range.lo), range.hi);
  long offset = clamped - range.lo;
  long below = offset - offset % range.step;
  long above = below + range.step;
  long chosen = below;
  if (offset != below && range.lo + above <= range.hi) {
    long toBelow = offset - below, toAbove = above - offset;
    chosen = (toAbove < toBelow || (toAbove == toBelow && delta > 0)) ? above : below;
  }
  return static_cast<unsigned char>(range.lo + chosen);
}

}  // namespace vemo::catalogue
