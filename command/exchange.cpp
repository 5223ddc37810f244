// One exchange with the monitor: write the frame, then poll for the reply,
// waiting 100 ms before each of at most 10 reads.
#include <unistd.h>

#include "command/channel.h"
#include "command/frames.h"
#include "include/VemoMonitorSdk.h"

namespace {

using namespace vemo::command;

constexpr int kPollDelayMs = 100;
constexpr int kMaxPolls = 10;
constexpr int kAckLength = 6;
constexpr int kMaxReplyLength = 254;  // the bridge reads at most 254 bytes at once

bool payloadValid(const unsigned char* payload, int length) {
  return length >= 0 && length <= kMaxPayload && (length == 0 || payload != nullptr);
}

// Takes the frame by value: WriteI2C wants a mutable buffer of our own.
bool sendFrame(Frame frame) {
  Log(VEMO_LOG_TRACE, " ---> %s", ToHexString(frame.bytes.data(), frame.length));
  return WriteI2C(kMonitorAddress, frame.bytes.data(), static_cast<unsigned short>(frame.length));
}

// Polls until a reply passes the acceptance test. -1 when a bus read fails
// (no further tries) or after ten rejected replies.
int pollReply(std::uint8_t code, unsigned char* reply, int length) {
  for (int attempt = 0; attempt < kMaxPolls; ++attempt) {
    doDelayMs(kPollDelayMs);
    if (!ReadI2C(kMonitorAddress, reply, static_cast<unsigned char>(length))) {
      return STATUS_COMM_FAILURE;
    }
    Log(VEMO_LOG_TRACE, " <--- %s", ToHexString(reply, length));
    if (replyAccepted(reply, length, code)) return STATUS_OK;
  }
  Log(VEMO_LOG_TRACE, "ZQ_API:Unable to read back value after %d retries", kMaxPolls);
  return STATUS_COMM_FAILURE;
}

}  // namespace

bool bConnected = false;

int HelperWrite(unsigned char code, const unsigned char* payload, int length) {
  if (!payloadValid(payload, length)) return STATUS_OUT_OF_RANGE;
  if (!bConnected) return STATUS_NOT_CONNECTED;
  if (!sendFrame(buildWriteFrame(code, payload, length))) return STATUS_COMM_FAILURE;
  unsigned char ack[kAckLength] = {};
  int result = pollReply(code, ack, kAckLength);
  if (result != STATUS_OK) return result;
  // A refused write is not retried.
  return refused(ack) ? STATUS_COMM_FAILURE : STATUS_OK;
}

int HelperReadEx(unsigned char code, const unsigned char* payload, int length, unsigned char* reply,
                 int replyLength) {
  if (!payloadValid(payload, length) || replyLength < 1 || replyLength > kMaxReplyLength ||
      reply == nullptr) {
    return STATUS_OUT_OF_RANGE;
  }
  if (!bConnected) return STATUS_NOT_CONNECTED;
  if (!sendFrame(buildReadFrame(code, payload, length))) return STATUS_COMM_FAILURE;
  // The caller judges the status byte of an accepted reply.
  return pollReply(code, reply, replyLength);
}

int HelperRead(unsigned char code, unsigned char* reply, int replyLength) {
  return HelperReadEx(code, nullptr, 0, reply, replyLength);
}

void doDelayMs(int milliseconds) {
  // Whole seconds at a time, so that milliseconds * 1000 never overflows.
  while (milliseconds >= 1000) {
    usleep(1000000);
    milliseconds -= 1000;
  }
  if (milliseconds > 0) usleep(static_cast<useconds_t>(milliseconds) * 1000u);
}
