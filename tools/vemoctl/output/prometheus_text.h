// The Prometheus text exposition format: metric families with their HELP and
// TYPE lines, samples with labels.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vemoctl {

using Labels = std::vector<std::pair<std::string, std::string>>;

struct Sample {
  Labels labels;
  double value = 0;
};

struct MetricFamily {
  std::string name;
  std::string help;
  std::string type;  // "gauge" or "counter"
  std::vector<Sample> samples;
};

// A label value with backslash, double quote and line feed escaped.
std::string escapeLabelValue(const std::string& value);

// Every family with its HELP and TYPE lines, even one without samples.
std::string exposition(const std::vector<MetricFamily>& families);

}  // namespace vemoctl
