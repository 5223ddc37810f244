// Running vemoctl as a separate process in a scratch directory of its own.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vemo::tooltest {

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

// Runs `program args...` in `dir` with `env` added to the environment and
// `input` on its standard input; standard output goes to `outputPath` when
// given (such as /dev/full), and is then not collected.
ToolResult runProgram(const std::string& dir, const std::string& program,
                      const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                      const std::string& input, const std::string& outputPath = "");

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

}  // namespace vemo::tooltest
