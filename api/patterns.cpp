#include "api/patterns.h"

#include <cstring>

#include "include/VemoMonitorSdk.h"

namespace vemo::api {
namespace {

constexpr int kByteReply = 7;
constexpr int kMaskReply = 10;

std::uint32_t bigEndian32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         std::uint32_t{bytes[3]};
}

}  // namespace

int judgeReply(int exchangeResult, const unsigned char* reply) {
  if (exchangeResult != STATUS_OK) return exchangeResult;
  // Returning 0 here would report the monitor's refusal as success.
  return reply[kStatusOffset] == 0 ? STATUS_OK : STATUS_COMM_FAILURE;
}

int getByte(const settings::ByteSetting& setting, unsigned char* value) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()", setting.name);
  unsigned char reply[kByteReply] = {};
  int result = judgeReply(HelperRead(setting.code, reply, kByteReply), reply);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Get%s()-FAILS => %d", setting.name, result);
    *value = 0;
    return result;
  }
  *value = reply[kValueOffset];
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()-SUCCESS => %d", setting.name, *value);
  return STATUS_OK;
}

int setByte(const settings::ByteSetting& setting, unsigned char value) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:Set%s(%d)", setting.name, value);
  if (!setting.accepted.accepts(value)) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Set%s(%d)-FAILS, Parameters out of range", setting.name, value);
    return STATUS_OUT_OF_RANGE;
  }
  int result = HelperWrite(setting.code, &value, 1);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Set%s(%d)-FAILS => %d", setting.name, value, result);
  } else {
    Log(VEMO_LOG_DEBUG, "ZQ_API:Set%s(%d)-SUCCESS", setting.name, value);
  }
  return result;
}

int getMask(const settings::MaskSetting& setting, std::uint32_t* value) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()", setting.name);
  unsigned char reply[kMaskReply] = {};
  int result = judgeReply(HelperRead(setting.code, reply, kMaskReply), reply);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Get%s()-FAILS => %d", setting.name, result);
    *value = 0;
    return result;
  }
  *value = bigEndian32(&reply[kValueOffset]);
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()-SUCCESS => 0x%08X", setting.name, *value);
  return STATUS_OK;
}

int setMask(const settings::MaskSetting& setting, std::uint32_t value) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:Set%s(0x%08X)", setting.name, value);
  if (!setting.accepts(value)) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Set%s(0x%08X)-FAILS, Parameters out of range", setting.name, value);
    return STATUS_OUT_OF_RANGE;
  }
  const unsigned char payload[4] = {
      static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
      static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  int result = HelperWrite(setting.code, payload, sizeof payload);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Set%s(0x%08X)-FAILS => %d", setting.name, value, result);
  } else {
    Log(VEMO_LOG_DEBUG, "ZQ_API:Set%s(0x%08X)-SUCCESS", setting.name, value);
  }
  return result;
}

// Records are copied out in every outcome: zeros when nothing was read,
// otherwise whatever the last read left in the reply buffer.
int getRecord(const settings::Record& record, unsigned char* out) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()", record.name);
  unsigned char reply[32] = {};
  int result = judgeReply(HelperRead(record.code, reply, record.replyLength), reply);
  std::memcpy(out, &reply[kValueOffset], record.recordLength);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:Get%s()-FAILS => %d", record.name, result);
    return result;
  }
  Log(VEMO_LOG_DEBUG, "ZQ_API:Get%s()-SUCCESS => %s", record.name, ToHexString(out, record.recordLength));
  return STATUS_OK;
}

int runAction(const settings::Action& action) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:%s()", action.name);
  int result = HelperWrite(action.code, nullptr, 0);
  if (result != STATUS_OK) {
    Log(VEMO_LOG_ERROR, "ZQ_API:%s()-FAILS => %d", action.name, result);
  } else {
    Log(VEMO_LOG_DEBUG, "ZQ_API:%s()-SUCCESS", action.name);
  }
  return result;
}

}  // namespace vemo::api
