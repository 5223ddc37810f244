#include "tools/vemoctl/backends/direct_backend.h"

#include <cstdio>
#include <optional>

#include "catalogue/models.h"
#include "catalogue/operations.h"
#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/backends/monitor_selection.h"
#include "tools/vemoctl/backends/session.h"
#include "tools/vemoctl/bridges/serial.h"
#include "tools/vemoctl/bridges/wait.h"
#include "tools/vemoctl/value_forms.h"

namespace vemoctl {
namespace {

Outcome outcomeOf(int result, const std::string& request) {
  if (result == STATUS_OK) return {};
  return {exitCodeFor(result), describeFailure(result, request)};
}

class DirectLink : public MonitorLink {
 public:
  explicit DirectLink(int index) : session_(index) {}

  Readout read(const Setting& setting) override {
    clearBridgeError();
    Value value;
    if (int result = readValue(setting, value); result != STATUS_OK)
      return {outcomeOf(result, "read"), {}, nullptr, {}, ""};
    return readoutOf(setting, value);
  }

  Outcome write(const Setting& setting, const Value& value) override {
    clearBridgeError();
    try {
      // The model's names cost a read of its name: only a refusal asks for them.
      return outcomeOf(writeValue(setting, value, [&] { return choiceNamesOf(*this, setting); }), "value");
    } catch (const ValueError& e) {
      return {exitCodeOf(e), e.what()};
    }
  }

  Outcome adjust(const Setting& setting, int delta, unsigned& written) override {
    clearBridgeError();
    std::uint8_t sent = 0;
    Outcome outcome = outcomeOf(adjustValue(setting, delta, sent), "value");
    written = sent;
    return outcome;
  }

  const ModelChoices& choices() override {
    if (!choices_) {
      Value model;
      const Setting& name = *findSetting("monitor-name");
      clearBridgeError();
      choices_ = readValue(name, model) == STATUS_OK ? choicesForModel(model.text) : ModelChoices{};
    }
    return *choices_;
  }

  Outcome reset(const std::string& group) override {
    clearBridgeError();
    try {
      return outcomeOf(resetGroup(group), "reset");
    } catch (const ValueError& e) {
      return {exitCodeOf(e), e.what()};
    }
  }

 private:
  Session session_;
  std::optional<ModelChoices> choices_;
};

std::string textRecord(int (*get)(unsigned char*), std::size_t length) {
  std::vector<unsigned char> record(length, 0);
  if (get(record.data()) != STATUS_OK) return "";
  return recordText(record.data(), record.size());
}

class DirectBackend : public Backend {
 public:
  bool throughService() const override { return false; }

  std::vector<Identity> monitors(bool full) override {
    waitForHeldBridges();
    return found(full);
  }

  // The monitors the library can open now.
  static std::vector<Identity> found(bool full) {
    unsigned char count = 0;
    GetAvailableMonitors(&count);
    std::vector<Identity> found;
    for (int index = 0; index < count; ++index) {
      Identity monitor;
      monitor.index = index;
      if (ConnectMonitor(static_cast<unsigned char>(index)) == STATUS_OK) {
        if (unsigned short version = GetFwVersion(); version != 0) {
          monitor.bridgeFirmware = std::to_string(version >> 8) + "." + std::to_string(version & 0xFFu);
        }
        monitor.usbSerial = selectedBridgeSerial().value_or("");
        if (full) {
          monitor.serialNumber = textRecord(GetMonitorSerialNumber, VEMO_SERIAL_RECORD_BYTES);
          monitor.model = textRecord(GetMonitorName, VEMO_RECORD_BYTES);
          monitor.assetTag = textRecord(GetAssetTag, VEMO_RECORD_BYTES);
        }
      }
      DisconnectMonitor();
      found.push_back(monitor);
    }
    if (full) assignIds(found);
    return found;
  }

  std::unique_ptr<MonitorLink> open(const MonitorChoice& choice) override {
    return std::make_unique<DirectLink>(directMonitorIndex(choice));
  }
};

}  // namespace

std::unique_ptr<Backend> directBackend() { return std::make_unique<DirectBackend>(); }

int directMonitorIndex(const MonitorChoice& choice) {
  if (choice.kind == MonitorChoice::Kind::All) {
    throw ToolError(kUsage, "the scaler's registers and ISP are reached on one monitor at a time, not all");
  }
  if (choice.kind == MonitorChoice::Kind::Index) {
    // The library numbers the bridges it can open: a position beyond them
    // may be a bridge another program holds.
    unsigned char count = 0;
    GetAvailableMonitors(&count);
    // When the wait is up, connecting fails as it would have, naming the bridge in use.
    if (choice.index >= count) waitForHeldBridges();
    return choice.index;
  }
  // A key may name a monitor that is free while another is held.
  std::vector<Identity> free = DirectBackend::found(true);
  std::string missing;
  try {
    return free.at(monitorNamed(free, choice.key)).index;
  } catch (const ToolError& e) {
    if (e.code() != kNoMonitor) throw;
    missing = e.what();
  }
  if (std::string held = waitForHeldBridges(); !held.empty())
    throw ToolError(kNoMonitor, missing + "; " + held);
  std::vector<Identity> all = DirectBackend::found(true);
  return all.at(monitorNamed(all, choice.key)).index;
}

}  // namespace vemoctl
