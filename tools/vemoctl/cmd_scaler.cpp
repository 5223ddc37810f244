// vemoctl register read|write|wait and isp: the scaler's registers at 0x4A,
// reached through the bridge without the monitor's command channel.
#include <cstdio>
#include <iostream>

#include "include/VemoMonitorSdk.h"
#include "tools/vemoctl/commands.h"
#include "tools/vemoctl/output.h"
#include "tools/vemoctl/session.h"

namespace vemoctl {
namespace {

constexpr unsigned char kScaler = 0x4A;

std::string hexByte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

[[noreturn]] void bridgeFailure(const std::string& what) {
  throw ToolError(kExchangeFailed, what + ": the bridge reported a failure (error code " +
                                       std::to_string(GetLastErrorCode()) + ")");
}

}  // namespace

int runRegisterRead(const GlobalOptions& options, unsigned reg, unsigned count) {
  Session session(options.monitor);
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
  Session session(options.monitor);
  if (!WriteI2C(kScaler, static_cast<unsigned char>(reg), data.data(),
                static_cast<unsigned short>(data.size()))) {
    bridgeFailure("register write " + hexByte(reg));
  }
  return kOk;
}

int runRegisterWait(const GlobalOptions& options, unsigned reg, unsigned mask, unsigned value, int tries) {
  Session session(options.monitor);
  if (!WaitForBitChange(kScaler, static_cast<unsigned char>(reg), static_cast<unsigned char>(mask),
                        static_cast<unsigned char>(value), tries)) {
    throw ToolError(kExchangeFailed, "register wait: " + hexByte(reg) + " & " + hexByte(mask) +
                                         " did not become " + hexByte(value & mask) + " within " +
                                         std::to_string(tries) + " reads");
  }
  std::cout << hexByte(reg) << " & " << hexByte(mask) << " = " << hexByte(value & mask) << '\n';
  return kOk;
}

int runIsp(const GlobalOptions& options) {
  Session session(options.monitor);
  // The library reports its progress on standard output itself.
  bool entered = EnableISP_Demo();
  std::fflush(stdout);
  if (!entered) throw ToolError(kExchangeFailed, "isp: the scaler did not enter ISP mode");
  return kOk;
}

}  // namespace vemoctl
