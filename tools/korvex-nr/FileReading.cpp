// Reading source files whole, with open/read rather than a stream: a check
// reads thousands of small files, and a stream costs more system calls and a
// copy for each. Kept in the caller library so that tests reach it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

// Most source files fit in one read of this size.
constexpr std::size_t kFirstReadSize = 4096;

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

[[noreturn]] void failToRead(std::string const& path, char const* why) {
    throw InvocationError("cannot read '" + path + "': " + why);
}

// Reads `descriptor` to its end into `content`, with a buffer of
// `initialSize` bytes at first, doubled when full. A read that returns less
// than asked ends the file when `shortReadEnds` (a regular file's reads
// fall short only at its end); otherwise only an empty read does.
void readToEnd(int descriptor, std::string const& path, std::string& content,
               std::size_t initialSize, bool shortReadEnds) {
    content.resize(initialSize);
    std::size_t used = 0;
    while (true) {
        if (used == content.size()) {
            content.resize(content.size() * 2);
        }
        std::size_t const asked = content.size() - used;
        ssize_t const count = ::read(descriptor, content.data() + used, asked);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            failToRead(path, errno == EISDIR ? "it is a directory" : "read error");
        }
        used += static_cast<std::size_t>(count);
        if (count == 0 || (shortReadEnds && static_cast<std::size_t>(count) < asked)) {
            break;
        }
    }
    content.resize(used);
}

int openToRead(std::string const& path) {
    int const descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        failToRead(path, "no such file or no permission");
    }
    return descriptor;
}

}  // namespace

std::string readFile(std::string const& path) {
    std::string content;
    readFileInto(path, content);
    return content;
}

void readFileInto(std::string const& path, std::string& content) {
    int const descriptor = openToRead(path);
    ClosedOnExit const closer(descriptor);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        failToRead(path, "read error");
    }
    if (S_ISDIR(status.st_mode)) {
        failToRead(path, "it is a directory");
    }
    // A regular file is read in one call when it does not change meanwhile;
    // pipes and devices, whose size is unknown, until the end of their data.
    bool const regular = S_ISREG(status.st_mode);
    std::size_t const expected = regular ? static_cast<std::size_t>(status.st_size) : 0;
    readToEnd(descriptor, path, content, std::max<std::size_t>(expected + 1, kFirstReadSize),
              regular);
}

void readRegularFileInto(std::string const& path, std::string& content) {
    int const descriptor = openToRead(path);
    ClosedOnExit const closer(descriptor);
    readToEnd(descriptor, path, content, kFirstReadSize, true);
}

}  // namespace korvex::tool
