#include "tools/vemoctl/command_line/fan_out.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "tools/vemoctl/output/printing.h"

namespace vemoctl {
namespace {

// This process's own command line, as it was started.
std::vector<std::string> ownArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> args;
  for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
  return args;
}

// The command line with --monitor naming one monitor; a direct run stays direct.
std::vector<std::string> argumentsFor(std::vector<std::string> args, const std::string& selector,
                                      bool direct) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--monitor" && i + 1 < args.size()) {
      args[i + 1] = selector;
    } else if (args[i].rfind("--monitor=", 0) == 0) {
      args[i] = "--monitor=" + selector;
    }
  }
  if (direct) args.insert(args.begin() + 1, "--direct");
  return args;
}

int memoryFile(const std::string& contents) {
  int fd = memfd_create("vemoctl", MFD_CLOEXEC);
  if (fd < 0) throw ToolError(kExchangeFailed, "cannot create a buffer for a monitor's output");
  for (std::size_t done = 0; done < contents.size();) {
    ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
    if (n <= 0) throw ToolError(kExchangeFailed, "cannot buffer the input for each monitor");
    done += static_cast<std::size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

std::string contentsOf(int fd) {
  std::string out;
  lseek(fd, 0, SEEK_SET);
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(n));
  return out;
}

struct Run {
  const Identity* monitor;
  pid_t pid = -1;
  int out = -1;
  int err = -1;
  int exitCode = kExchangeFailed;
};

[[noreturn]] void runHere(const RunOnMonitor& run, const MonitorChoice& choice) {
  int code = kOk;
  try {
    code = run(choice);
  } catch (const ToolError& e) {
    printError(e.what());
    code = e.code();
  } catch (const ValueError& e) {
    printError(e.what());
    code = exitCodeOf(e);
  }
  code = finishOutput(code);
  std::cerr.flush();
  _exit(code);
}

// Starts the run: `args` for a new vemoctl, or else `run` in a forked copy.
void start(Run& run, const std::vector<std::string>& args, const std::optional<std::string>& input,
           const RunOnMonitor* here, const MonitorChoice& choice) {
  run.out = memoryFile("");
  run.err = memoryFile("");
  int in = memoryFile(input.value_or(""));  // never the terminal: no run may ask
  std::cout.flush();
  std::cerr.flush();
  run.pid = fork();
  if (run.pid == 0) {
    dup2(run.out, STDOUT_FILENO);
    dup2(run.err, STDERR_FILENO);
    dup2(in, STDIN_FILENO);
    if (here != nullptr) runHere(*here, choice);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(kExchangeFailed);
  }
  close(in);
  if (run.pid < 0) throw ToolError(kExchangeFailed, "cannot start a run for monitor " + run.monitor->id);
}

void finish(Run& run) {
  int status = 0;
  if (waitpid(run.pid, &status, 0) == run.pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
}

std::string labelled(const std::string& text, const std::string& id, bool error) {
  std::stringstream lines(text);
  std::string out;
  const std::string tool = "vemoctl: ";
  for (std::string line; std::getline(lines, line);) {
    if (error && line.rfind(tool, 0) == 0) {
      out += tool + id + ": " + line.substr(tool.size()) + "\n";
    } else {
      out += id + ": " + line + "\n";
    }
  }
  return out;
}

}  // namespace

int runOnEachMonitor(Backend& backend, bool json, const std::optional<std::string>& input,
                     const RunOnMonitor& run) {
  std::vector<Identity> monitors = backend.monitors(true);
  if (monitors.empty()) throw ToolError(kNoMonitor, "no monitor found");
  const std::vector<std::string> args = ownArguments();
  const bool direct = !backend.throughService();
  std::vector<Run> runs;
  runs.reserve(monitors.size());
  for (const Identity& monitor : monitors) {
    // By Id through the service, which may gain or lose a monitor meanwhile.
    MonitorChoice choice;
    choice.index = monitor.index;
    if (!direct) {
      choice.kind = MonitorChoice::Kind::Key;
      choice.key = monitor.id;
    }
    runs.push_back({&monitor});
    start(runs.back(), argumentsFor(args, std::to_string(monitor.index), direct), input,
          direct ? nullptr : &run, choice);
    if (direct) finish(runs.back());  // one bridge at a time
  }
  int worst = kOk;
  Json combined = Json::object();
  for (Run& run : runs) {
    if (!direct) finish(run);
    worst = std::max(worst, run.exitCode);
    std::string out = contentsOf(run.out), err = contentsOf(run.err);
    close(run.out);
    close(run.err);
    if (json) {
      Json parsed = Json::parse(out, nullptr, false);
      combined[run.monitor->id] = parsed.is_discarded() ? Json(nullptr) : parsed;
    } else {
      std::cout << labelled(out, run.monitor->id, false);
    }
    std::cout.flush();
    std::cerr << labelled(err, run.monitor->id, true) << std::flush;
  }
  if (json) printJson(combined);
  return worst;
}

}  // namespace vemoctl
