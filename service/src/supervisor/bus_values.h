// Setting values between their D-Bus form and the form workers use, with
// every check that decides a value is refused before anything is sent.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <string>
#include <vector>

#include "catalogue/value_rules.h"
#include "service/src/worker_channel.h"

namespace vemod {

namespace catalogue = vemo::catalogue;

// The setting by name for a call; throws UnknownSetting.
const catalogue::Setting& settingFor(const std::string& name);

// A value given to Set, a number or (for a choice `names` gives) a choice
// name: InvalidArgs for a wrong D-Bus type or an unknown name, ReadOnly,
// OutOfRange (the message lists the accepted values).
Json writeValue(const catalogue::Setting& setting, const sdbus::Variant& value,
                const catalogue::ChoiceNames* names = nullptr);

// A value read by a worker in its D-Bus type: y, u, q or s.
sdbus::Variant toVariant(const catalogue::Setting& setting, const Json& value);

// The checked custom colour type and levels.
void checkCustomColor(unsigned char type, const std::vector<std::uint8_t>* levels);

// The catalogue for DescribeSettings.
std::vector<std::map<std::string, sdbus::Variant>> describeSettings();

// An error of the service, org.vemo.Monitors1.Error.<kind>.
sdbus::Error serviceError(const std::string& kind, const std::string& message);

}  // namespace vemod
