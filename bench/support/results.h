// Collects every run while the console shows it, so that a program can close
// with its figures set beside the targets.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vemo::bench {

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  RecordingReporter();
  void ReportRuns(const std::vector<Run>& runs) override;

  // The run of that name ("family/args", "family_BigO"), when it ran without
  // error.
  const Run* find(const std::string& name) const;
  // CPU and wall time per iteration in microseconds.
  std::optional<double> cpuMicroseconds(const std::string& name) const;
  std::optional<double> wallMicroseconds(const std::string& name) const;
  std::optional<double> counter(const std::string& name, const std::string& key) const;
  bool anyErrors() const { return errors_ > 0; }

 private:
  std::map<std::string, Run> runs_;
  int errors_ = 0;
};

// Prints one line of the closing table: what was measured, the figure, the
// target and whether it was met. A missing figure (filtered out or failed)
// reads "not measured".
class TargetTable {
 public:
  explicit TargetTable(const std::string& title);
  void row(const std::string& what, std::optional<double> figure, const std::string& unit,
           const std::string& target, std::optional<bool> met);
  void note(const std::string& text);
  int missed() const { return missed_; }

 private:
  int missed_ = 0;
};

// Runs the registered benchmarks (as chosen by the command line) through the
// reporter.
void runBenchmarks(int* argc, char** argv, RecordingReporter& reporter);

}  // namespace vemo::bench
