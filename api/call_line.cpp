#include "api/call_line.h"

#include <cstdarg>
#include <cstdio>

#include "include/VemoMonitorSdk.h"
#include "log/log.h"

namespace vemo::api {
namespace {
// Longer than any log message, so that a part is never cut before the log
// cuts the whole line.
constexpr int kPartLength = 208;
}  // namespace

CallLine::CallLine(const char* verb, const char* name, const char* argsFormat, ...)
    : verb_(verb), name_(name) {
  args_[0] = '\0';
  // With the log off no line can pass, so nothing is formatted: a dropped
  // line costs one comparison.
  if (iDebugLevel == VEMO_LOG_OFF) return;
  va_list args;
  va_start(args, argsFormat);
  std::vsnprintf(args_, sizeof args_, argsFormat, args);
  va_end(args);
}

void CallLine::write(int level, const char* suffixFormat, ...) const {
  va_list args;
  va_start(args, suffixFormat);
  writeFormatted(level, "", suffixFormat, args);
  va_end(args);
}

void CallLine::writeFormatted(int level, const char* suffixStart, const char* format, va_list args) const {
  if (iDebugLevel == VEMO_LOG_OFF) return;
  char rest[kPartLength];
  std::vsnprintf(rest, sizeof rest, format, args);
  Log(level, "ZQ_API:%s%s%s%s%s", verb_, name_, args_, suffixStart, rest);
}

void CallLine::entry() const { write(VEMO_LOG_DEBUG, "%s", ""); }

int CallLine::rejected(const char* what) const {
  write(VEMO_LOG_ERROR, "-FAILS, %s out of range", what);
  return STATUS_OUT_OF_RANGE;
}

int CallLine::failed(int result) const {
  write(VEMO_LOG_ERROR, "-FAILS => %d", result);
  return result;
}

int CallLine::outcome(int result) const {
  if (result != STATUS_OK) return failed(result);
  write(VEMO_LOG_DEBUG, "-SUCCESS");
  return result;
}

void CallLine::succeededWith(const char* valueFormat, ...) const {
  va_list args;
  va_start(args, valueFormat);
  writeFormatted(VEMO_LOG_DEBUG, "-SUCCESS => ", valueFormat, args);
  va_end(args);
}

void CallLine::step(int level, const char* what) const { write(level, "-%s", what); }

}  // namespace vemo::api
