// The log lines of one API call: "ZQ_API:" + the function's name + its
// argument part, then a suffix for the entry, a rejected argument, a failed
// exchange, a success, or a step in between.
#pragma once

#include <cstdarg>

namespace vemo::api {

class CallLine {
 public:
  // `verb` and `name` make the function's name ("Get" + "Brightness"); the
  // argument part is formatted from `argsFormat`, e.g. "()" or "(%d)".
  CallLine(const char* verb, const char* name, const char* argsFormat, ...)
      __attribute__((format(printf, 4, 5)));

  void entry() const;
  // Logs the rejection ("<what> out of range") and returns STATUS_OUT_OF_RANGE.
  int rejected(const char* what = "Parameters") const;
  // Logs "-FAILS => result" or "-SUCCESS" and returns the result.
  int outcome(int result) const;
  // Logs "-FAILS => result" and returns the result.
  int failed(int result) const;
  // Logs "-SUCCESS => value"; the value part is formatted from `valueFormat`.
  void succeededWith(const char* valueFormat, ...) const __attribute__((format(printf, 2, 3)));
  // Logs "-<what>" at `level`: what a call did or met between its entry and
  // its outcome ("CloseDevice", "OpenDevice FAILS").
  void step(int level, const char* what) const;

 private:
  // Logs the call's line with the suffix formatted from `suffixFormat`.
  void write(int level, const char* suffixFormat, ...) const __attribute__((format(printf, 3, 4)));
  // Logs the call's line, then `suffixStart`, then `format` formatted.
  void writeFormatted(int level, const char* suffixStart, const char* format, va_list args) const
      __attribute__((format(printf, 4, 0)));

  const char* verb_;
  const char* name_;
  // Longer than any log message, so a long text argument is cut by the log
  // exactly as if it had been formatted in one piece.
  char args_[208];
};

}  // namespace vemo::api
