// Printing results as text or as JSON.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/vemoctl/backends/monitor_link.h"
#include "tools/vemoctl/settings_model.h"

namespace vemoctl {

// Text: "name: value" per line (custom colours one line per type), or the
// bare value(s) when `bare`; a value with a choice name is followed by it,
// "2 (hdmi-2)". JSON: one object, name to value. Readings that
// failed are left out (their error has been reported).
void printReadings(const std::vector<NamedReading>& readings, bool json, bool bare);

void printJson(const Json& json);
// `text` and at least one space, filled with spaces to `width`: a column.
std::string padded(std::string text, std::size_t width);
// A writable setting's accepted values in words, or "read-only".
std::string acceptedOrReadOnly(const Setting& setting);
// An error line on stderr: "vemoctl: message".
void printError(const std::string& message);
// "command name: message", naming the setting once: a message that starts
// with the name already (as the catalogue's and the service's do) keeps it.
std::string about(const std::string& command, const std::string& name, const std::string& message);

// Flushes standard output and checks that everything printed reached it: a
// profile that was not written must not pass for a backup. Returns `code`, or
// kExchangeFailed with an error line when output was lost and `code` was kOk.
int finishOutput(int code);

// "[n/total] what" on stderr, rewritten in place; only on a terminal.
class Progress {
 public:
  explicit Progress(int total);
  ~Progress();
  void step(const std::string& what);
  // Wipes the indicator before a result line goes out.
  void clear();

 private:
  int total_;
  int done_ = 0;
  bool shown_;
};

}  // namespace vemoctl
