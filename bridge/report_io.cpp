#include "bridge/report_io.h"

#include <hidapi.h>

#include <cstring>

#include "include/VemoMonitorSdk.h"

namespace vemo::bridge {
namespace {

// The bridge whose last reply did not come in time. Its late reply may still
// be queued by hidapi; it must not be taken as the answer to the next request.
hid_device* overdueBridge = nullptr;

// More queued reports than this means the bridge is babbling; stop draining.
constexpr int kMaxStaleReports = 256;

void discardStaleReports() {
  if (overdueBridge != SelectedDevice) return;
  overdueBridge = nullptr;
  unsigned char scratch[kReportSize];
  for (int i = 0; i < kMaxStaleReports; ++i) {
    if (hid_read_timeout(SelectedDevice, scratch, sizeof scratch, 0) <= 0) break;
  }
}

}  // namespace

void forgetOverdueReply(const void* handle) {
  if (overdueBridge == handle) overdueBridge = nullptr;
}

bool sendReport(const Report& report) {
  discardStaleReports();
  return hid_write(SelectedDevice, report.data(), report.size()) > 0;
}

bool receiveReport(Report& report) {
  int got = hid_read_timeout(SelectedDevice, report.data(), report.size(), kReplyTimeoutMs);
  if (got == 0) overdueBridge = SelectedDevice;
  if (got <= 0) return false;
  std::size_t received = static_cast<std::size_t>(got) < report.size() ? got : report.size();
  std::memset(report.data() + received, 0, report.size() - received);
  return true;
}

}  // namespace vemo::bridge
