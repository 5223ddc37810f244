// The nearest known name to a mistyped one.
#pragma once

#include <string>
#include <vector>

namespace vemoctl {

// The candidate closest in edit distance, or "" when none is close enough to
// be a plausible typo.
std::string nearestName(const std::string& typed, const std::vector<std::string>& candidates);

}  // namespace vemoctl
