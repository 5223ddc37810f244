// Who a monitor is: what its worker read at attach, and the Id and object
// path the service gives it.
#pragma once

#include <functional>
#include <string>

#include "catalogue/value_rules.h"
#include "service/src/worker_channel.h"

namespace vemod {

struct Identity {
  std::string id;
  std::string usbSerial;
  std::string model;
  std::string serialNumber;
  std::string assetTag;
  std::string firmware;
  std::string bridgeFirmware;
  // What the model description of `model` calls the monitor's choices.
  vemo::catalogue::ModelChoices choices;
};

// The identity a worker reported, with its Id (catalogue::monitorId).
Identity identityFrom(const Json& reported, const std::function<bool(const std::string&)>& idTaken);

// /org/vemo/Monitors1/monitor/<id>, each byte outside [A-Za-z0-9] as _xx.
std::string objectPathFor(const std::string& id);

// True when `key` names this monitor: its Id, USB serial, serial number or asset tag.
bool answersTo(const Identity& identity, const std::string& key);

}  // namespace vemod
