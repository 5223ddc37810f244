#include "tests/tools/tool_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vemo::tooltest {
namespace {

std::string quoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

Scratch::Scratch() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vemoctl-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
}

Scratch::~Scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
}

ToolResult runProgram(const std::string& dir, const std::string& program,
                      const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                      const std::string& input, const std::string& outputPath) {
  const std::string in = dir + "/.stdin", err = dir + "/.stderr";
  const std::string out = outputPath.empty() ? dir + "/.stdout" : outputPath;
  writeFile(in, input);
  std::string command = "cd " + quoted(dir) + " && env";
  for (const auto& [name, value] : env) command += " " + quoted(name + "=" + value);
  command += " " + quoted(program);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " <" + quoted(in) + " >" + quoted(out) + " 2>" + quoted(err);
  int status = std::system(command.c_str());
  ToolResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (outputPath.empty()) result.out = readFile(out);
  result.err = readFile(err);
  return result;
}

}  // namespace vemo::tooltest
