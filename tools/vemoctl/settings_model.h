// vemoctl speaks of settings in the catalogue's words; the catalogue's
// errors become vemoctl's exit codes here.
#pragma once

#include "catalogue/value_rules.h"
#include "tools/vemoctl/exit_codes.h"

namespace vemoctl {

using namespace vemo::catalogue;

// Malformed and read-only values are usage errors (2), values out of range 4.
inline ExitCode exitCodeOf(const ValueError& error) {
  return error.problem() == Problem::OutOfRange ? kOutOfRange : kUsage;
}

inline ToolError toolError(const ValueError& error) { return ToolError(exitCodeOf(error), error.what()); }

}  // namespace vemoctl
