#include "tools/vemoctl/command_line/suggest.h"

#include <algorithm>

namespace vemoctl {
namespace {

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

}  // namespace

std::string nearestName(const std::string& typed, const std::vector<std::string>& candidates) {
  std::string best;
  std::size_t bestDistance = 0;
  for (const std::string& candidate : candidates) {
    // A name that starts with what was typed is the likeliest meaning.
    std::size_t distance =
        candidate.rfind(typed, 0) == 0 && !typed.empty() ? 1 : editDistance(typed, candidate);
    if (best.empty() || distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  // More than about a third of the name wrong is no longer a typo.
  std::size_t tolerance = std::max<std::size_t>(2, typed.size() / 3);
  return bestDistance <= tolerance ? best : "";
}

}  // namespace vemoctl
