// Files the runner reads or writes for the user, looked at before they are
// opened: a FIFO or a device named by mistake would block the run or be
// replaced.
#pragma once

#include <string>

namespace runner {

// Why `path` cannot be read as a regular file ("is missing", "is not a
// regular file", "cannot be read: <reason>"), empty when it can.
std::string unreadable_file(const std::string& path);

// The same for a picture, which must also begin as a PNG file does.
std::string unreadable_png(const std::string& path);

// The file a symbolic link leads to, through every link; `path` itself
// when it is none. A link to nothing leads to where its file would be.
std::string link_target(const std::string& path);

} // namespace runner
