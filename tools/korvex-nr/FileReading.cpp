// Reading source files whole, with open/fstat/read rather than a stream: a
// check reads thousands of small files, and a stream costs more system calls
// and a copy for each. Kept in the caller library so that tests reach it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

// Closes a file descriptor when the scope ends, on errors too.
class ClosedOnExit {
  public:
    explicit ClosedOnExit(int descriptor) : descriptor_(descriptor) {}
    ~ClosedOnExit() { ::close(descriptor_); }
    ClosedOnExit(ClosedOnExit const&) = delete;
    ClosedOnExit& operator=(ClosedOnExit const&) = delete;

  private:
    int descriptor_;
};

}  // namespace

std::string readFile(std::string const& path) {
    std::string content;
    readFileInto(path, content);
    return content;
}

void readFileInto(std::string const& path, std::string& content) {
    auto fail = [&path](char const* why) {
        throw InvocationError("cannot read '" + path + "': " + why);
    };
    int const descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        fail("no such file or no permission");
    }
    ClosedOnExit const closer(descriptor);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        fail("read error");
    }
    if (S_ISDIR(status.st_mode)) {
        fail("it is a directory");
    }
    // A regular file is read in one call when it does not change meanwhile;
    // pipes and devices, whose size is unknown, until the end of their data.
    bool const regular = S_ISREG(status.st_mode);
    std::size_t const expected = regular ? static_cast<std::size_t>(status.st_size) : 0;
    content.resize(std::max<std::size_t>(expected + 1, 4096));
    std::size_t used = 0;
    while (true) {
        if (used == content.size()) {
            content.resize(content.size() * 2);
        }
        ssize_t const count = ::read(descriptor, content.data() + used, content.size() - used);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            fail("read error");
        }
        used += static_cast<std::size_t>(count);
        if (count == 0 || (regular && used == expected)) {
            break;
        }
    }
    content.resize(used);
}

}  // namespace korvex::tool
