// The levelled, time-stamped log file "VemoMonitorSdk.log" and the hex dump
// used in its lines. Level 0 (the default) writes nothing and creates no file.
#include "log/log.h"

#include <algorithm>
#include <cstdarg>
#include <ctime>

#include "include/VemoMonitorSdk.h"

int iDebugLevel = 0;
int m_iCount = 0;
FILE* m_pFile = nullptr;
const char* const arrDebugLevel[5] = {"OFF", "ERROR", "WARN", "DEBUG", "TRACE"};

namespace {

constexpr const char* kLogFileName = "VemoMonitorSdk.log";
constexpr const char* kSeparator = "------------------------------\n";
constexpr std::size_t kMessageSize = 200;  // 199 characters and the terminator
constexpr std::size_t kStampSize = 99;
constexpr std::size_t kDumpSize = 100;
constexpr int kMaxDumpBytes = (kDumpSize - 1) / 3;  // 33

char dumpBuffer[kDumpSize];

}  // namespace

void Log(int level, const char* format, ...) {
  if (iDebugLevel == 0 || iDebugLevel < level || level < 0 || format == nullptr) return;
  if (level > VEMO_LOG_TRACE) return;  // no name for it
  char message[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  char line[kMessageSize + 8];
  std::snprintf(line, sizeof line, "%-5s %s", arrDebugLevel[level], message);
  _LOG(line);
}

void _LOG(const char* text) {
  if (m_iCount == 0) _LOGStart();
  if (m_pFile == nullptr) return;  // could not be opened; the next line tries again
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[kStampSize];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(m_pFile, "%s ", stamp);
  std::fprintf(m_pFile, "%s\n", text != nullptr ? text : "");
  std::fflush(m_pFile);
}

void _LOGStart() {
  if (m_iCount != 0) return;
  m_pFile = std::fopen(kLogFileName, "a+");
  if (m_pFile == nullptr) return;
  m_iCount = 1;
  std::fputs(kSeparator, m_pFile);
  std::fflush(m_pFile);  // like every line: on disk before the call returns
}

void _LOGStop() {
  if (m_iCount == 0 || m_pFile == nullptr) return;
  m_iCount = 0;
  std::fclose(m_pFile);
  m_pFile = nullptr;
}

char* ToHexString(const unsigned char* bytes, int count) {
  if (bytes == nullptr) {
    dumpBuffer[0] = '\0';
    return dumpBuffer;
  }
  if (count <= 0) return dumpBuffer;
  int shown = std::min(count, kMaxDumpBytes);  // longer dumps are cut
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char* out = dumpBuffer;
  for (int i = 0; i < shown; ++i) {
    *out++ = kDigits[bytes[i] >> 4];
    *out++ = kDigits[bytes[i] & 0x0F];
    *out++ = ' ';
  }
  *out = '\0';
  return dumpBuffer;
}

int SetDebugLevel(unsigned char level) {
  Log(VEMO_LOG_DEBUG, "ZQ_API:SetDebugLevel(%d)", level);
  if (level > VEMO_LOG_TRACE) {
    Log(VEMO_LOG_ERROR, "ZQ_API:SetDebugLevel(%d)-FAILS, Parameters out of range", level);
    return STATUS_OUT_OF_RANGE;
  }
  iDebugLevel = level;
  Log(VEMO_LOG_DEBUG, "ZQ_API:SetDebugLevel(%d)-SUCCESS", level);
  return STATUS_OK;
}
