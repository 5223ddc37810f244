#include "api/getters_setters.h"

#include <cstring>

#include "api/call_line.h"
#include "include/VemoMonitorSdk.h"

namespace vemo::api {
namespace {

constexpr int kByteReply = 7;
constexpr int kMaskReply = 10;
constexpr int kMaxReply = 32;

std::uint32_t bigEndian32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         std::uint32_t{bytes[3]};
}

int judgeReply(int exchangeResult, const unsigned char* reply) {
  if (exchangeResult != STATUS_OK) return exchangeResult;
  // Returning 0 here would report the monitor's refusal as success.
  return command::refused(reply) ? STATUS_COMM_FAILURE : STATUS_OK;
}

}  // namespace

int readReply(const CallLine& line, std::uint8_t code, unsigned char* reply, int replyLength,
              const unsigned char* payload, int payloadLength) {
  line.entry();
  std::memset(reply, 0, replyLength);
  int result = judgeReply(HelperReadEx(code, payload, payloadLength, reply, replyLength), reply);
  return result == STATUS_OK ? result : line.failed(result);
}

int getByte(const settings::ByteSetting& setting, unsigned char* value) {
  CallLine line("Get", setting.name, "()");
  unsigned char reply[kByteReply];
  int result = readReply(line, setting.code, reply, kByteReply);
  *value = result == STATUS_OK ? reply[command::kValueOffset] : 0;
  if (result == STATUS_OK) line.succeededWith("%d", *value);
  return result;
}

int setByte(const settings::ByteSetting& setting, unsigned char value) {
  CallLine line("Set", setting.name, "(%d)", value);
  line.entry();
  if (!setting.accepted.accepts(value)) return line.rejected();
  return line.outcome(HelperWrite(setting.code, &value, 1));
}

int getMask(const settings::MaskSetting& setting, std::uint32_t* value) {
  CallLine line("Get", setting.name, "()");
  unsigned char reply[kMaskReply];
  int result = readReply(line, setting.code, reply, kMaskReply);
  *value = result == STATUS_OK ? bigEndian32(&reply[command::kValueOffset]) : 0;
  if (result == STATUS_OK) line.succeededWith("0x%08X", *value);
  return result;
}

int setMask(const settings::MaskSetting& setting, std::uint32_t value) {
  CallLine line("Set", setting.name, "(0x%08X)", value);
  line.entry();
  if (!setting.accepts(value)) return line.rejected();
  const unsigned char payload[4] = {
      static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
      static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  return line.outcome(HelperWrite(setting.code, payload, sizeof payload));
}

// Records are copied out in every outcome: zeros when nothing was read,
// otherwise whatever the last read left in the reply buffer.
int getRecord(const settings::Record& record, unsigned char* out) {
  CallLine line("Get", record.name, "()");
  unsigned char reply[kMaxReply];
  int result = readReply(line, record.code, reply, record.replyLength);
  std::memcpy(out, &reply[command::kValueOffset], record.recordLength);
  if (result == STATUS_OK) line.succeededWith("%s", ToHexString(out, record.recordLength));
  return result;
}

int runAction(const settings::Action& action) {
  CallLine line("", action.name, "()");
  line.entry();
  return line.outcome(HelperWrite(action.code, nullptr, 0));
}

}  // namespace vemo::api
