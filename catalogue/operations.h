// A setting read, written, stepped or reset on the connected monitor through
// the library: the one place the products turn a setting into library calls.
// Each returns the library's result code (STATUS_OK on success).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/value_rules.h"

namespace vemo::catalogue {

// Every kind; a custom colour reads every type.
int readValue(const Setting& setting, Value& value);
int readCustomColor(std::uint8_t type, ColorLevels& levels);

// A value parseValue or its kin has checked. A choice of a mask setting that
// the monitor's capability value does not offer is refused before anything
// is sent: ValueError(OutOfRange) listing the choices offered (named from
// `names` where it can).
int writeValue(const Setting& setting, const Value& value, const ChoiceNames* names = nullptr);
// The same, asking for the names only when a refusal lists them: finding
// them may cost an exchange with the monitor.
int writeValue(const Setting& setting, const Value& value, const std::function<const ChoiceNames*()>& names);

// Reads a one-byte setting, adds `delta`, puts the sum on the accepted range
// and step and writes it; `written` is the value sent. A value the monitor
// holds already is not written again (its settings memory wears with
// writes): `*unchanged` says so.
int adjustValue(const Setting& setting, long delta, std::uint8_t& written, bool* unchanged = nullptr);

// "power", "color", "osd" and "factory", in that order.
const std::vector<std::string>& resetGroups();
// Throws ValueError(Malformed) for a group not in resetGroups().
int resetGroup(const std::string& group);

}  // namespace vemo::catalogue
