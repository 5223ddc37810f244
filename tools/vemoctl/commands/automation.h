// The commands of the service's automation: level, auto, calibrate, night.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/vemoctl/commands/commands.h"

namespace vemoctl {

struct CalibrateOptions {
  std::optional<std::string> min, max, curve, linked;  // linked: yes or no
};

struct NightOptions {
  std::vector<std::string> words;  // NAME VALUE pairs: the night settings
  bool clear = false;
  std::string follow;  // yes, no, or empty
};

// The calibrated level for every linked monitor; without `level`, prints it.
int runLevel(const GlobalOptions& options, const std::string& level);
// on, off or status.
int runAuto(const GlobalOptions& options, const std::string& state);
int runCalibrate(const GlobalOptions& options, const CalibrateOptions& calibrate);
int runNight(const GlobalOptions& options, const NightOptions& night);

}  // namespace vemoctl
