#include "service/src/worker/worker.h"

#include <cstdio>
#include <set>

#include "catalogue/models.h"
#include "catalogue/value_rules.h"
#include "contract/bus.h"
#include "include/VemoMonitorSdk.h"
#include "service/src/automation/wear_guard.h"
#include "service/src/worker/bridge_claim.h"
#include "service/src/worker/operations.h"
#include "service/src/worker_channel.h"
#include "service/src/worker_messages.h"

namespace vemod {

namespace bus = vemo::bus;

namespace {

std::string readText(int (*get)(unsigned char*), std::size_t length) {
  std::vector<unsigned char> record(length, 0);
  if (get(record.data()) != STATUS_OK) return "";
  return vemo::catalogue::recordText(record.data(), record.size());
}

Json readIdentity(const Claim& claim) {
  std::string bridgeFirmware;
  if (unsigned short version = GetFwVersion(); version != 0) {
    bridgeFirmware = std::to_string(version >> 8) + "." + std::to_string(version & 0xFFu);
  }
  return Json{
      {"usb-serial", claim.usbSerial},
      {"position", claim.position},
      {"serial-number", readText(GetMonitorSerialNumber, VEMO_SERIAL_RECORD_BYTES)},
      {"model", readText(GetMonitorName, VEMO_RECORD_BYTES)},
      {"asset-tag", readText(GetAssetTag, VEMO_RECORD_BYTES)},
      {"firmware", readText(GetVersionFirmware, VEMO_RECORD_BYTES)},
      {"bridge-firmware", bridgeFirmware},
  };
}

std::optional<Claim> firstClaim(const Json& request) {
  std::set<std::string> owned;
  for (const Json& serial : request.value("owned", Json::array())) owned.insert(serial.get<std::string>());
  std::optional<std::string> wanted;
  if (request.contains("wanted") && request["wanted"].is_string())
    wanted = request["wanted"].get<std::string>();
  return claimBridge(owned, wanted);
}

}  // namespace

int runWorker(int fd, std::chrono::seconds hold) {
  LineChannel channel(fd);
  bool closed = false;
  std::optional<Json> request = channel.receive(std::nullopt, closed);
  if (!request || opOf(*request) != Op::Claim) return 1;
  std::optional<Claim> claim = firstClaim(*request);
  if (!claim) {
    channel.send(failure("none", "no free bridge"));
    return 0;
  }
  Json identity = readIdentity(*claim);
  vemo::catalogue::ModelChoices choices = vemo::catalogue::choicesForModel(identity["model"]);
  if (!channel.send(Json{{"ok", true}, {"identity", identity}})) return 1;

  bool connected = true;
  automation::WearGuard guard;
  while (!closed) {
    std::optional<std::chrono::milliseconds> idle;
    if (connected && hold.count() > 0) idle = hold;
    request = channel.receive(idle, closed);
    if (!request) {
      if (!closed && connected) {
        DisconnectMonitor();
        connected = false;
        guard.forget();
      }
      continue;
    }
    Json reply;
    bool reclaimed = false;
    if (!connected && !claimBridge({}, claim->usbSerial)) {
      reply = failure(bus::kBusy, subjectOf(*request) + ": the monitor's bridge " + claim->usbSerial +
                                      " is in use by another program");
    } else {
      reclaimed = !connected;
      connected = true;
      reply = opOf(*request) == Op::Identity
                  ? Json{{"ok", true}}
                  : guard.carryOut(*request, [&choices](const Json& r) { return perform(r, choices); });
    }
    // Another program may have changed the monitor while the bridge was free:
    // its identity is read again whenever the bridge is claimed again.
    if (connected && (reclaimed || opOf(*request) == Op::Identity)) {
      Json now = readIdentity(*claim);
      if (now["model"] != identity["model"]) choices = vemo::catalogue::choicesForModel(now["model"]);
      identity = now;
      reply["identity"] = identity;
    }
    reply["id"] = request->value("id", Json());
    if (!channel.send(reply)) break;
  }
  if (connected) DisconnectMonitor();
  return 0;
}

}  // namespace vemod
