// The commands of the service's automation on vemoctl's command line.
#include "tools/vemoctl/command_line/command_line.h"

namespace vemoctl {

void CommandLine::addAutomationCommands() {
  CLI::App* level =
      add(app_, "level", "Set the calibrated level (0.0 to 1.0) of every linked monitor (vemod)",
          [this] { return runLevel(options_, level_); });
  level->add_option("level", level_, "0.0 (darkest) to 1.0; without it, print the last level set");

  CLI::App* automatic =
      add(app_, "auto", "Brightness that follows the room's light: on, off or status (vemod)",
          [this] { return runAuto(options_, autoState_); });
  automatic->add_option("state", autoState_, "on, off or status")
      ->required()
      ->check(CLI::IsMember({"on", "off", "status"}));

  CLI::App* calibrate = add(app_, "calibrate",
                            "Set or print a monitor's calibration: brightness at level 0 and 1, curve, link "
                            "(vemod)",
                            [this] { return runCalibrate(options_, calibrate_); });
  calibrate->add_option("--min", calibrate_.min, "Brightness at level 0");
  calibrate->add_option("--max", calibrate_.max, "Brightness at level 1");
  calibrate->add_option("--curve", calibrate_.curve,
                        "Response: brightness follows level ^ curve (0.2 to 5.0)");
  calibrate->add_option("--linked", calibrate_.linked, "Whether the monitor follows the level: yes or no")
      ->check(CLI::IsMember({"yes", "no"}));

  CLI::App* night = add(app_, "night", "Settings applied while the desktop's night light is on (vemod)",
                        [this] { return runNight(options_, night_); });
  night->add_option("settings", night_.words, "NAME VALUE pairs: the monitor's night settings");
  night->add_flag("--clear", night_.clear, "No night settings for the monitor");
  night->add_option("--follow", night_.follow, "Follow the desktop's night light: yes or no")
      ->check(CLI::IsMember({"yes", "no"}));
}

}  // namespace vemoctl
