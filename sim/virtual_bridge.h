// The USB HID bridge as the host sees it: 64-byte reports with IDs 1 (version),
// 2 (bus speed), 5 (chunked I2C write) and 6 (chunked I2C read), forwarding
// complete transfers to the I2C targets attached behind it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "sim/i2c_target.h"

namespace vemo::sim {

using Report = std::array<std::uint8_t, 64>;

struct ReportRecord {
  bool fromHost;  // true: a request the host wrote; false: a reply the host read
  Report bytes;
};

// A misbehaviour of the bridge for one request.
struct BridgeFault {
  enum class Kind {
    FailWrite,      // hid_write fails; the request never arrives
    FailRead,       // the read of the reply fails
    NoReply,        // the request is handled but no reply comes
    LateReply,      // the reply only arrives after the host has given up waiting once
    WrongReportId,  // the reply's byte 0 becomes `value`
    Status,         // the reply's status byte becomes `value`
    Raw,            // the reply is `raw`, whatever the request was
    Unplug,         // the bridge disappears as this request is written
  };
  Kind kind;
  std::uint8_t value = 0;
  Report raw{};
};

class VirtualBridge {
 public:
  explicit VirtualBridge(std::uint16_t firmwareVersion = 0x0102);

  void attach(std::uint8_t address, std::shared_ptr<I2cTarget> target);
  void detach(std::uint8_t address);

  // The host's side. hostWrite returns false when the report was not taken.
  bool hostWrite(const std::uint8_t* data, std::size_t length);
  // 1..64: bytes of a reply; 0: nothing arrived (a timeout); -1: failure.
  int hostRead(std::uint8_t* data, std::size_t length);

  // The fault hits the request `afterRequests` requests from now (0: the next).
  void injectFault(const BridgeFault& fault, int afterRequests = 0);
  void clearFaults() { faults_.clear(); }
  void unplug() { unplugged_ = true; }
  bool unplugged() const { return unplugged_; }

  const std::vector<ReportRecord>& reports() const { return reports_; }
  std::vector<Report> requests() const;  // the host's reports only, in order
  void clearRecord() { reports_.clear(); }
  // A long-running simulator keeps no record, so its memory stays constant.
  void setRecording(bool on) { recording_ = on; }
  std::size_t requestCount() const { return requestCount_; }
  std::size_t queuedReplies() const { return replies_.size(); }
  std::uint8_t busSpeed() const { return busSpeed_; }
  std::uint16_t firmwareVersion() const { return firmwareVersion_; }
  void setFirmwareVersion(std::uint16_t version) { firmwareVersion_ = version; }

 private:
  struct QueuedReply {
    bool failsToRead = false;
    Report bytes{};
  };

  bool handle(const Report& request, Report& reply);  // false: no reply
  bool handleWrite(const Report& request, Report& reply);
  bool handleRead(const Report& request, Report& reply);
  void nextReadChunk(Report& reply);
  I2cTarget* targetAt(std::uint8_t address) const;

  std::map<std::uint8_t, std::shared_ptr<I2cTarget>> targets_;
  std::map<std::size_t, BridgeFault> faults_;
  std::deque<QueuedReply> replies_;
  std::vector<QueuedReply> late_;
  std::vector<ReportRecord> reports_;
  std::size_t requestCount_ = 0;
  std::uint16_t firmwareVersion_;
  std::uint8_t busSpeed_ = 0;
  bool unplugged_ = false;
  bool recording_ = true;

  // The transfer in progress.
  std::uint8_t address_ = 0;
  std::vector<std::uint8_t> writeData_;
  std::size_t writeTotal_ = 0;
  bool writing_ = false;
  std::vector<std::uint8_t> readData_;
  std::size_t readPosition_ = 0;
  bool reading_ = false;
};

}  // namespace vemo::sim
