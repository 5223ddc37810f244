// vemoctl register read|write|wait and isp: the scaler's registers at 0x4A,
// reached through the bridge without the monitor's command channel.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/backends/direct_backend.h"
#include "tools/vemoctl/backends/session.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

namespace vemoctl {
namespace {

constexpr unsigned char kScaler = 0x4A;
constexpr useconds_t kPauseBetweenReadsUs = 100000;
constexpr int kMaxFailedReads = 10;

std::string hexByte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

[[noreturn]] void bridgeFailure(const std::string& what) {
  throw ToolError(kExchangeFailed, what + ": the bridge reported a failure (error code " +
                                       std::to_string(GetLastErrorCode()) + ")");
}

}  // namespace

int runRegisterRead(const GlobalOptions& options, unsigned reg, unsigned count) {
  Session session(directMonitorIndex(options.monitor));
  std::vector<unsigned char> data(count, 0);
  if (!ReadI2C(kScaler, static_cast<unsigned char>(reg), data.data(), static_cast<unsigned short>(count))) {
    bridgeFailure("register read " + hexByte(reg));
  }
  if (options.json) {
    printJson(Json{{"register", hexByte(reg)}, {"bytes", data}});
    return kOk;
  }
  std::string line;
  for (unsigned char byte : data) line += (line.empty() ? "" : " ") + hexByte(byte);
  std::cout << line << '\n';
  return kOk;
}

int runRegisterWrite(const GlobalOptions& options, unsigned reg, const std::vector<unsigned>& bytes) {
  std::vector<unsigned char> data(bytes.begin(), bytes.end());
  Session session(directMonitorIndex(options.monitor));
  if (!WriteI2C(kScaler, static_cast<unsigned char>(reg), data.data(),
                static_cast<unsigned short>(data.size()))) {
    bridgeFailure("register write " + hexByte(reg));
  }
  return kOk;
}

int runRegisterWait(const GlobalOptions& options, unsigned reg, unsigned mask, unsigned value, int tries,
                    double timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(timeoutSeconds));
  const std::string what = "register wait: " + hexByte(reg) + " & " + hexByte(mask);
  Session session(directMonitorIndex(options.monitor));
  int reads = 0;
  int failedInARow = 0;
  for (;;) {
    unsigned char byte = 0;
    clearBridgeError();
    bool read = ReadI2C(kScaler, static_cast<unsigned char>(reg), &byte, 1);
    if (read) ++reads;  // as in the library's wait, a failed read uses up no try
    // A scaler busy with itself may not answer for a moment; an unplugged
    // bridge never does.
    failedInARow = read ? 0 : failedInARow + 1;
    if (failedInARow == kMaxFailedReads) bridgeFailure(what);
    if (read && (byte & mask) == (value & mask)) {
      std::cout << hexByte(reg) << " & " << hexByte(mask) << " = " << hexByte(value & mask) << '\n';
      return kOk;
    }
    bool outOfTries = tries > 0 && reads >= tries;
    bool outOfTime = timeoutSeconds > 0 && Clock::now() >= deadline;
    if (outOfTries || outOfTime) {
      throw ToolError(kExchangeFailed, what + " did not become " + hexByte(value & mask) + " within " +
                                           (outOfTries ? "" : seconds(timeoutSeconds) + " s, ") +
                                           std::to_string(reads) + " reads");
    }
    usleep(kPauseBetweenReadsUs);
  }
}

int runIsp(const GlobalOptions& options) {
  Session session(directMonitorIndex(options.monitor));
  // The library reports its progress on standard output itself.
  bool entered = EnableISP_Demo();
  std::fflush(stdout);
  if (!entered) throw ToolError(kExchangeFailed, "isp: the scaler did not enter ISP mode");
  return kOk;
}

}  // namespace vemoctl
