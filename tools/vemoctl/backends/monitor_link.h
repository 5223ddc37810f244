// A monitor as the commands see it, and the two ways to reach one: through
// the library in this process, or through the session service vemod. Each
// command is written once against these interfaces.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/vemoctl/settings_model.h"

namespace vemoctl {

// Who a monitor is. Empty text is unknown. `id` is the serial number as the
// monitor reports it, else the bridge's USB serial, else its position.
struct Identity {
  int index = 0;  // the position `list` shows
  std::string id;
  std::string usbSerial;
  std::string bridgeFirmware;
  std::string model;
  std::string serialNumber;
  std::string assetTag;
};

// The outcome of one exchange; `message` says why when it failed.
struct Outcome {
  ExitCode code = kOk;
  std::string message;
  bool ok() const { return code == kOk; }
};

// A value read, and its text form (one line, or one per custom colour type)
// and JSON form.
struct Readout {
  Outcome outcome;
  std::vector<std::string> lines;
  Json json;
  Value value;
  std::string choice;  // the name of the value, where a listing shows it
};

// A value read with the setting it belongs to, as listings print it.
struct NamedReading {
  const Setting* setting;
  Readout reading;
};

class MonitorLink {
 public:
  virtual ~MonitorLink() = default;
  virtual Readout read(const Setting& setting) = 0;
  // `value` has passed the catalogue's checks: its form and range are right.
  virtual Outcome write(const Setting& setting, const Value& value) = 0;
  // Reads, adds `delta`, puts the sum on the accepted range and step, writes;
  // `written` is the value sent. One-byte settings only.
  virtual Outcome adjust(const Setting& setting, int delta, unsigned& written) = 0;
  virtual Outcome reset(const std::string& group) = 0;
  // What the monitor's model description calls its choices: empty when no
  // description names its model (or the model cannot be read).
  virtual const ModelChoices& choices() = 0;
};

// The names of a setting's choices, or nullptr when none are known.
inline const ChoiceNames* choiceNamesOf(MonitorLink& link, const Setting& setting) {
  const ModelChoices& all = link.choices();
  auto found = all.find(setting.name);
  return found == all.end() ? nullptr : &found->second;
}

// What `--monitor` asked for: an index, a key (Id, USB serial, serial number
// or asset tag) or every monitor.
struct MonitorChoice {
  enum class Kind { Index, Key, All };
  Kind kind = Kind::Index;
  int index = 0;
  std::string key;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool throughService() const = 0;
  // The monitors in list order. With `full`, each with its model, serial
  // number, asset tag and Id (directly that costs a few reads per monitor).
  virtual std::vector<Identity> monitors(bool full) = 0;
  // Throws ToolError(kNoMonitor) when the choice names no monitor. Not for
  // Kind::All.
  virtual std::unique_ptr<MonitorLink> open(const MonitorChoice& choice) = 0;
};

}  // namespace vemoctl
