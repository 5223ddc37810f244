#include "api/call_line.h"

#include <cstdarg>
#include <cstdio>

#include "include/VemoMonitorSdk.h"
#include "log/log.h"

namespace vemo::api {

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

void CallLine::entry() const { Log(VEMO_LOG_DEBUG, "ZQ_API:%s%s%s", verb_, name_, args_); }

int CallLine::rejected(const char* what) const {
  Log(VEMO_LOG_ERROR, "ZQ_API:%s%s%s-FAILS, %s out of range", verb_, name_, args_, what);
  return STATUS_OUT_OF_RANGE;
}

int CallLine::failed(int result) const {
  Log(VEMO_LOG_ERROR, "ZQ_API:%s%s%s-FAILS => %d", verb_, name_, args_, result);
  return result;
}

int CallLine::outcome(int result) const {
  if (result != STATUS_OK) return failed(result);
  Log(VEMO_LOG_DEBUG, "ZQ_API:%s%s%s-SUCCESS", verb_, name_, args_);
  return result;
}

void CallLine::succeededWith(const char* valueFormat, ...) const {
  if (iDebugLevel == VEMO_LOG_OFF) return;
  char value[208];
  va_list args;
  va_start(args, valueFormat);
  std::vsnprintf(value, sizeof value, valueFormat, args);
  va_end(args);
  Log(VEMO_LOG_DEBUG, "ZQ_API:%s%s%s-SUCCESS => %s", verb_, name_, args_, value);
}

}  // namespace vemo::api
