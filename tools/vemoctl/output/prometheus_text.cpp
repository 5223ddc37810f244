#include "tools/vemoctl/output/prometheus_text.h"

#include <cmath>
#include <cstdio>

namespace vemoctl {
namespace {

// Backslash and line feed always; the double quote in label values only.
std::string escaped(const std::string& text, bool quote) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quote) {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out;
}

std::string number(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

std::string escapeLabelValue(const std::string& value) { return escaped(value, true); }

std::string exposition(const std::vector<MetricFamily>& families) {
  std::string out;
  for (const MetricFamily& family : families) {
    out += "# HELP " + family.name + " " + escaped(family.help, false) + "\n";
    out += "# TYPE " + family.name + " " + family.type + "\n";
    for (const Sample& sample : family.samples) {
      out += family.name;
      if (!sample.labels.empty()) {
        out += "{";
        for (std::size_t i = 0; i < sample.labels.size(); ++i) {
          if (i > 0) out += ",";
          out += sample.labels[i].first + "=\"" + escapeLabelValue(sample.labels[i].second) + "\"";
        }
        out += "}";
      }
      out += " " + number(sample.value) + "\n";
    }
  }
  return out;
}

}  // namespace vemoctl
