// Replacing a file in one step, so that a reader sees the old content or the
// new, never a part.
#pragma once

#include <string>

namespace vemoctl {

// Writes `content` to a temporary file in the same folder as `path`, then
// renames it over `path`; the file is readable as a new file would be under
// the umask. Throws ToolError(kExchangeFailed) and leaves no temporary file
// behind on failure.
void replaceFile(const std::string& path, const std::string& content);

}  // namespace vemoctl
