// The error code the bridge transport records for a reply status it does not
// know. The named codes are public: VEMO_ERROR_* in the library's header.
#pragma once

#include <cstdint>

#include "include/VemoMonitorSdk.h"

namespace vemo::bridge {

inline std::uint16_t unknownStatusCode(std::uint8_t status) {
  return status & VEMO_ERROR_UNKNOWN_STATUS_MASK;
}

}  // namespace vemo::bridge
