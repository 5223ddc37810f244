// The bridge's report protocol: firmware version, bus speed, and I2C writes
// and reads carried in chunks of 64-byte reports.
#include <algorithm>
#include <cstring>

#include "bridge/bridge_errors.h"
#include "bridge/report_io.h"
#include "include/VemoMonitorSdk.h"

using vemo::bridge::Report;

namespace {

enum ReportId : std::uint8_t { kVersion = 1, kBusSpeed = 2, kI2cWrite = 5, kI2cRead = 6 };
enum Chunk : std::uint8_t { kFirst = 1, kContinuation = 2 };
enum Status : std::uint8_t { kDone = 0, kMore = 1, kPartialFailure = 2, kFailure = 3 };

constexpr std::size_t kMaxWriteLength = 1024;
constexpr std::size_t kFirstWriteChunk = 59;  // after ID, chunk, address, 2 length bytes
constexpr std::size_t kNextWriteChunk = 62;   // after ID, chunk
constexpr std::size_t kReadChunk = 62;        // after ID, status
constexpr std::size_t kMaxPartialCount = 61;  // after ID, status, count

// Sends the request and reads its reply into the same buffer, recording why a
// transfer failed. False means the caller must give up.
bool exchange(Report& report) {
  if (!vemo::bridge::sendReport(report)) {
    SetLastErrorCode(VEMO_ERROR_REQUEST_NOT_SENT);
    return false;
  }
  if (!vemo::bridge::receiveReport(report)) {
    SetLastErrorCode(VEMO_ERROR_NO_REPLY);
    return false;
  }
  return true;
}

}  // namespace

unsigned short GetFwVersion() {
  if (SelectedDevice == nullptr) return 0;
  Report report{};
  report[0] = kVersion;
  if (!vemo::bridge::sendReport(report)) return 0;
  if (!vemo::bridge::receiveReport(report) || report[0] != kVersion) return 0;
  return static_cast<unsigned short>(report[1] << 8 | report[2]);
}

bool SetBusSpeed(unsigned char speed) {
  if (SelectedDevice == nullptr) return false;
  Report report{};
  report[0] = kBusSpeed;
  report[1] = speed;
  return vemo::bridge::sendReport(report);
}

bool WriteI2C(unsigned char address, unsigned char* data, unsigned short length) {
  if (SelectedDevice == nullptr || length > kMaxWriteLength) return false;
  if (length > 0 && data == nullptr) return false;

  Report report{};
  report[0] = kI2cWrite;
  report[1] = kFirst;
  report[2] = address;
  report[3] = static_cast<std::uint8_t>(length >> 8);
  report[4] = static_cast<std::uint8_t>(length);
  std::size_t sent = std::min<std::size_t>(kFirstWriteChunk, length);
  if (sent > 0) std::memcpy(&report[5], data, sent);  // data may be null for an empty write

  for (;;) {
    if (!exchange(report)) return false;
    if (report[0] != kI2cWrite) return false;
    switch (report[1]) {
      case kDone:  // the bridge may end a write early; that is its success
        return true;
      case kMore: {
        if (sent == length) return false;  // asks for more than there is
        std::size_t chunk = std::min<std::size_t>(kNextWriteChunk, length - sent);
        report.fill(0);
        report[0] = kI2cWrite;
        report[1] = kContinuation;
        std::memcpy(&report[2], data + sent, chunk);
        sent += chunk;
        continue;
      }
      case kPartialFailure:
        SetLastErrorCode(VEMO_ERROR_WRITE_PARTLY_FAILED);
        return false;
      case kFailure:
        SetLastErrorCode(VEMO_ERROR_WRITE_FAILED);
        return false;
      default:
        SetLastErrorCode(vemo::bridge::unknownStatusCode(report[1]));
        return false;
    }
  }
}

bool ReadI2C(unsigned char address, unsigned char* data, unsigned char length) {
  if (SelectedDevice == nullptr || length == 255) return false;
  if (length > 0 && data == nullptr) return false;

  Report report{};
  report[0] = kI2cRead;
  report[1] = kFirst;
  report[2] = address;
  report[3] = length;
  std::size_t outstanding = length;
  unsigned char* position = data;

  // Copies what the reply carries, never more than is outstanding.
  auto take = [&](const std::uint8_t* from, std::size_t count) {
    count = std::min(count, outstanding);
    if (count == 0) return;  // data may be null for an empty read
    std::memcpy(position, from, count);
    position += count;
    outstanding -= count;
  };

  for (;;) {
    if (!exchange(report)) return false;
    if (report[0] != kI2cRead) return false;
    switch (report[1]) {
      case kDone: {
        // The last data must fit one reply; more outstanding is outside the protocol.
        bool complete = outstanding <= kReadChunk;
        take(&report[2], kReadChunk);
        return complete;
      }
      case kMore:
        if (outstanding <= kReadChunk) {  // the last data must come with status 0
          take(&report[2], kReadChunk);
          return false;
        }
        take(&report[2], kReadChunk);
        report.fill(0);
        report[0] = kI2cRead;
        report[1] = kContinuation;
        continue;
      case kPartialFailure:
        take(&report[3], std::min<std::size_t>(report[2], kMaxPartialCount));
        SetLastErrorCode(VEMO_ERROR_READ_PARTLY_FAILED);
        return false;
      case kFailure:
        SetLastErrorCode(VEMO_ERROR_READ_FAILED);
        return false;
      default:
        SetLastErrorCode(vemo::bridge::unknownStatusCode(report[1]));
        return false;
    }
  }
}
