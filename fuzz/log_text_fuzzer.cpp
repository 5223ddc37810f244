// Arbitrary texts, levels and byte counts against the log: Log with any
// level, ToHexString with any count, _LOG with any text, and SetAssetTag's
// log lines with any text, each checked against what the log file gained.
//
// Input: debug level byte, connected byte, then up to 32 operations, each
//   operation byte, a 32-bit level or count, a length byte n and n bytes.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/byte_stream.h"
#include "fuzz/support/harness.h"
#include "include/VemoMonitorSdk.h"
#include "log/log.h"

namespace {

using vemo::fuzz::ByteStream;
using vemo::fuzz::violated;

constexpr int kMaxOperations = 32;
constexpr std::size_t kStampAndSpace = 20;  // "YYYY-MM-DD HH:MM:SS "
constexpr std::size_t kLevelField = 6;      // "%-5s "
constexpr std::size_t kMaxMessage = 199;
constexpr int kMaxDumpBytes = 33;
const char* const kLevelNames[] = {"OFF", "ERROR", "WARN", "DEBUG", "TRACE"};

enum Operation : std::uint8_t {
  kLogText,
  kLogFormatted,
  kHexDump,
  kRawLine,
  kAssetTag,
  kReopen,
  kOperationCount
};

long logSize() {
  struct stat st {};
  return stat("VemoMonitorSdk.log", &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

std::string logTail(long from) {
  std::FILE* file = std::fopen("VemoMonitorSdk.log", "rb");
  if (file == nullptr) return {};
  std::fseek(file, from, SEEK_SET);
  std::string out;
  for (int c; (c = std::fgetc(file)) != EOF;) out.push_back(static_cast<char>(c));
  std::fclose(file);
  return out;
}

// What one Log call added: nothing when filtered out, otherwise one line of
// the stamp, the padded level name and at most 199 characters of message.
void checkLogLine(long before, int level, int currentLevel) {
  std::string added = logTail(before);
  if (level < 0) return;  // no name for such levels; dropping or writing is the library's choice
  bool passes = currentLevel != 0 && level <= currentLevel;
  if (!passes) {
    if (!added.empty()) violated("a filtered message reached the log");
    return;
  }
  if (added.size() > kStampAndSpace + kLevelField + kMaxMessage + 1) {
    violated("a log line is longer than its 199-character message allows");
  }
  char field[kLevelField + 1];
  std::snprintf(field, sizeof field, "%-5s ", kLevelNames[level]);
  if (added.compare(kStampAndSpace, kLevelField, field) != 0) violated("wrong level name");
  if (added.back() != '\n') violated("a log line without its newline");
}

void checkDump(const unsigned char* bytes, int count, const char* dump, const char* before) {
  if (count <= 0) {
    if (std::strcmp(dump, before) != 0) violated("a dump of no bytes changed the buffer");
    return;
  }
  int shown = count < kMaxDumpBytes ? count : kMaxDumpBytes;
  std::string expected;
  char digits[4];
  for (int i = 0; i < shown; ++i) {
    std::snprintf(digits, sizeof digits, "%02X ", bytes[i]);
    expected += digits;
  }
  if (expected != dump) violated("the dump does not show the bytes");
}

// Opens the log file and puts its separator line on disk, so that what a
// check sees appended afterwards is the checked call's alone.
void openLog() {
  _LOGStart();
  if (m_pFile != nullptr) std::fflush(m_pFile);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vemo::fuzz::prepareProcess(vemo::fuzz::LogSink::File);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vemo::fuzz::resetLibrary();
  ByteStream in(data, size);
  std::uint8_t requested = in.byte();
  int result = SetDebugLevel(requested);
  if (result != (requested > VEMO_LOG_TRACE ? STATUS_OUT_OF_RANGE : STATUS_OK)) {
    violated("SetDebugLevel result");
  }
  int currentLevel = requested > VEMO_LOG_TRACE ? 0 : requested;
  if (in.byte() & 1) {
    vemo::fuzz::plugStandardBridge();
    if (ConnectMonitor(0) != STATUS_OK) violated("the genuine bridge could not be connected");
  }
  openLog();

  for (int i = 0; i < kMaxOperations && !in.empty(); ++i) {
    std::uint8_t operation = in.byte() % kOperationCount;
    std::int32_t number = in.int32();
    std::vector<std::uint8_t> bytes = in.take(in.byte() + in.byte());
    std::string text(bytes.begin(), bytes.end());  // may hold NULs; c_str() ends at the first
    long before = logSize();
    switch (operation) {
      case kLogText:
        Log(number, "%s", text.c_str());
        checkLogLine(before, number, currentLevel);
        break;
      case kLogFormatted:
        Log(number, "ZQ_API:SetAssetTag(%s)-FAILS => %d", text.c_str(), number);
        checkLogLine(before, number, currentLevel);
        break;
      case kHexDump: {
        // The caller's bytes are exactly as many as it says (up to a bound
        // the harness can afford), so a dump reading further is caught.
        std::size_t held = number <= 0 ? 0 : (number < 4096 ? number : 4096);
        auto held_bytes = std::make_unique<unsigned char[]>(held);
        for (std::size_t j = 0; j < held; ++j) held_bytes[j] = j < bytes.size() ? bytes[j] : j;
        std::string previous = ToHexString(held_bytes.get(), 0);
        const char* dump = ToHexString(held_bytes.get(), number);
        checkDump(held_bytes.get(), number, dump, previous.c_str());
        break;
      }
      case kRawLine:
        _LOG(text.c_str());
        if (logTail(before) != logTail(before).substr(0, kStampAndSpace) + text.c_str() + "\n") {
          violated("_LOG did not write the text as given");
        }
        break;
      case kAssetTag: {
        // A buffer of at least 10 bytes: a NUL-terminated text of any length,
        // or (odd numbers) exactly 10 bytes as GetAssetTag hands them out,
        // with no terminator.
        bool record = (number & 1) != 0;
        std::size_t size = record ? 10 : (text.size() + 1 < 10 ? 10 : text.size() + 1);
        auto buffer = std::make_unique<char[]>(size);
        std::memcpy(buffer.get(), text.c_str(),
                    record ? std::min<std::size_t>(10, text.size() + 1) : text.size() + 1);
        int tagResult = SetAssetTag(buffer.get());
        if (tagResult != STATUS_OK && tagResult != STATUS_NOT_CONNECTED && tagResult != STATUS_COMM_FAILURE) {
          violated("SetAssetTag result");
        }
        break;
      }
      default:
        _LOGStop();
        openLog();
        break;
    }
  }
  return 0;
}
