// The monitor's command protocol at I2C address 0x37: it checks each host
// frame, stores settings by command code, and answers with a reply frame
// (an acknowledgement for writes, the value for reads) until the next frame.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "sim/i2c_target.h"

namespace vemo::sim {

using Bytes = std::vector<std::uint8_t>;

// A misbehaviour of the monitor for one read of its reply.
struct MonitorFault {
  enum class Kind {
    BadChecksum,  // the checksum byte is wrong
    WrongSource,  // byte 0 is not 0x6E
    WrongMarker,  // byte 2 is not 0x02
    WrongEcho,    // byte 4 does not echo the command code
    Status,       // the status byte is `value` (checksum still right)
    LyingLength,  // the length byte places the checksum past the bytes read
    Silent,       // nothing is ready: a null message
  };
  Kind kind;
  std::uint8_t value = 1;
};

struct FrameRecord {
  bool fromHost;
  Bytes bytes;
};

class VirtualMonitor : public I2cTarget {
 public:
  VirtualMonitor();

  bool write(const std::uint8_t* data, std::size_t length) override;
  bool read(std::uint8_t* data, std::size_t length) override;

  // The next `count` reads of a reply each suffer `fault`.
  void injectReplyFault(const MonitorFault& fault, int count = 1);
  // Every command with this code is answered with a non-zero status.
  void refuse(std::uint8_t code, std::uint8_t status = 1) { refusals_[code] = status; }
  void clearRefusals() { refusals_.clear(); }
  // Writes with this code are acknowledged but not stored.
  void ignoreWrites(std::uint8_t code) { ignored_.insert(code); }
  // As a real monitor does: a colour preset, colour temperature, colour
  // space, video input or PxP sub input outside its capability value is
  // refused. Off by default, so the library's own checks can be tested with
  // every value.
  void enforceCapabilities(bool on) { enforceCapabilities_ = on; }

  // The settings the monitor stores, by command code (value bytes, most
  // significant first). The custom colours are stored per type.
  std::optional<Bytes> value(std::uint8_t code) const;
  void setValue(std::uint8_t code, Bytes bytes);
  std::array<std::uint8_t, 6> customColor(std::uint8_t type) const;
  void setCustomColor(std::uint8_t type, const std::array<std::uint8_t, 6>& values);
  const std::map<std::uint8_t, Bytes>& values() const { return values_; }
  void resetToDefaults();
  // Changes this monitor's factory value of `code` (its serial number, say)
  // and its current one.
  void setFactoryValue(std::uint8_t code, Bytes bytes);
  // Reset commands received (0x2F, 0x4F, 0x8F, 0xAF), in order.
  const std::vector<std::uint8_t>& resets() const { return resets_; }

  const std::vector<FrameRecord>& frames() const { return frames_; }
  std::vector<Bytes> hostFrames() const;
  int rejectedFrames() const { return rejectedFrames_; }
  void clearRecord() { frames_.clear(); }
  void setRecording(bool on) { recording_ = on; }

  // Command codes this model knows, with their value width and whether the
  // host may write them.
  struct CodeInfo {
    std::uint8_t code;
    std::uint8_t width;
    bool writable;
  };
  static const std::vector<CodeInfo>& knownCodes();

 private:
  Bytes answerWrite(std::uint8_t code, const std::uint8_t* payload, std::size_t length);
  Bytes answerRead(std::uint8_t code, const std::uint8_t* payload, std::size_t length);
  void applyReset(std::uint8_t code);
  bool outsideCapabilities(std::uint8_t code, const std::uint8_t* payload, std::size_t length) const;

  std::map<std::uint8_t, Bytes> factory_;
  std::map<std::uint8_t, Bytes> values_;
  std::map<std::uint8_t, std::array<std::uint8_t, 6>> customColors_;
  std::map<std::uint8_t, std::uint8_t> refusals_;
  std::set<std::uint8_t> ignored_;
  bool enforceCapabilities_ = false;
  std::deque<MonitorFault> faults_;
  std::optional<Bytes> pendingReply_;
  std::vector<FrameRecord> frames_;
  std::vector<std::uint8_t> resets_;
  int rejectedFrames_ = 0;
  bool recording_ = true;
};

// A reply frame 6E 80|n 02 status code value... checksum.
Bytes buildReplyFrame(std::uint8_t status, std::uint8_t code, const Bytes& value);

}  // namespace vemo::sim
