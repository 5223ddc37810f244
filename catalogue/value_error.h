// The one error of the settings model: a value, name or choice that cannot
// go to the monitor. Each product turns it into its own form (an exit code,
// a D-Bus error); nothing has been sent when it is thrown.
#pragma once

#include <stdexcept>
#include <string>

namespace vemo::catalogue {

enum class Problem {
  Malformed,   // not a value of the setting's form at all
  OutOfRange,  // a value of the right form the setting does not accept
  ReadOnly,    // the setting cannot be written
};

class ValueError : public std::runtime_error {
 public:
  ValueError(Problem problem, const std::string& message) : std::runtime_error(message), problem_(problem) {}
  Problem problem() const { return problem_; }

 private:
  Problem problem_;
};

}  // namespace vemo::catalogue
