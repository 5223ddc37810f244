// Where `vemod --simulate` finds the simulator library for its workers.
#pragma once

#include <string>

namespace vemod {

// The library to preload into the workers (with the sanitizer runtime first
// in a sanitizer build); throws std::runtime_error when it cannot be found.
std::string simulatorPreload();

}  // namespace vemod
