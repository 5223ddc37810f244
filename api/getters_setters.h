// The three shapes every setting function takes: getter, setter, action.
// Each logs its entry line, runs one exchange and logs the outcome.
#pragma once

#include <cstdint>

#include "api/call_line.h"
#include "api/settings.h"
#include "command/channel.h"

namespace vemo::api {

int getByte(const settings::ByteSetting& setting, unsigned char* value);
int setByte(const settings::ByteSetting& setting, unsigned char value);
int getMask(const settings::MaskSetting& setting, std::uint32_t* value);
int setMask(const settings::MaskSetting& setting, std::uint32_t value);
int getRecord(const settings::Record& record, unsigned char* out);
int runAction(const settings::Action& action);

// Logs the entry line, runs one read exchange (with an optional request
// payload) into a zeroed reply buffer, turns a reply whose status byte reports
// a refusal into a failure, and logs a failure; the caller logs the success
// with the value it took.
int readReply(const CallLine& line, std::uint8_t code, unsigned char* reply, int replyLength,
              const unsigned char* payload = nullptr, int payloadLength = 0);

}  // namespace vemo::api
