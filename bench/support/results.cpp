#include "bench/support/results.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vemo::bench {
namespace {

double toMicroseconds(double value, benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return value / 1e3;
    case benchmark::kMicrosecond:
      return value;
    case benchmark::kMillisecond:
      return value * 1e3;
    case benchmark::kSecond:
      return value * 1e6;
  }
  return value;
}

// The name a run is looked up by: the benchmark's name and arguments, and the
// aggregate ("BigO", "RMS"), without the settings the console adds.
std::string lookupName(const benchmark::BenchmarkReporter::Run& run) {
  std::string name = run.run_name.function_name;
  if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
  if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate) {
    name += "_" + run.aggregate_name;
  }
  return name;
}

}  // namespace

// Colours only on a terminal, so that a saved log stays plain text.
RecordingReporter::RecordingReporter()
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

void RecordingReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred) {
      ++errors_;
      continue;
    }
    runs_[lookupName(run)] = run;
  }
}

const benchmark::BenchmarkReporter::Run* RecordingReporter::find(const std::string& name) const {
  auto it = runs_.find(name);
  return it == runs_.end() ? nullptr : &it->second;
}

std::optional<double> RecordingReporter::cpuMicroseconds(const std::string& name) const {
  const Run* run = find(name);
  if (run == nullptr) return std::nullopt;
  return toMicroseconds(run->GetAdjustedCPUTime(), run->time_unit);
}

std::optional<double> RecordingReporter::wallMicroseconds(const std::string& name) const {
  const Run* run = find(name);
  if (run == nullptr) return std::nullopt;
  return toMicroseconds(run->GetAdjustedRealTime(), run->time_unit);
}

std::optional<double> RecordingReporter::counter(const std::string& name, const std::string& key) const {
  const Run* run = find(name);
  if (run == nullptr) return std::nullopt;
  auto it = run->counters.find(key);
  if (it == run->counters.end()) return std::nullopt;
  return it->second.value;
}

TargetTable::TargetTable(const std::string& title) { std::printf("\n%s\n", title.c_str()); }

void TargetTable::row(const std::string& what, std::optional<double> figure, const std::string& unit,
                      const std::string& target, std::optional<bool> met) {
  if (!figure) {
    std::printf("  %-72s %14s   target %-18s\n", what.c_str(), "not measured", target.c_str());
    return;
  }
  const char* verdict = !met ? "" : *met ? "met" : "MISSED";
  if (met && !*met) ++missed_;
  // Counts and sizes are whole numbers; times keep three decimals.
  int decimals = unit.empty() || unit == "KiB" ? 0 : 3;
  std::printf("  %-72s %10.*f %-3s   target %-18s %s\n", what.c_str(), decimals, *figure, unit.c_str(),
              target.c_str(), verdict);
}

void TargetTable::note(const std::string& text) { std::printf("  %s\n", text.c_str()); }

void runBenchmarks(int* argc, char** argv, RecordingReporter& reporter) {
  benchmark::Initialize(argc, argv);
  if (benchmark::ReportUnrecognizedArguments(*argc, argv)) std::exit(2);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}

}  // namespace vemo::bench
