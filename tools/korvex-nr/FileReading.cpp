// Reading source files whole and listing folders, with the system calls
// themselves rather than streams and directory iterators: a check reads
// thousands of small files and lists hundreds of folders, and those cost
// several more calls for each (a status of every file or folder opened,
// descriptor flags asked and set again). Kept in the caller library so that
// tests reach it.

#include "tools/korvex-nr/FileReading.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
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

namespace {

// Big enough for a few hundred entries, so that most folders take one call
// (and one more to learn that the listing is over).
constexpr std::size_t kListingBufferSize = 32 * 1024;

EntryKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::file;
    }
    return S_ISDIR(mode) ? EntryKind::folder : EntryKind::other;
}

// The entry `name` of the open folder `folder`, whose type the listing gave
// as `type`. Only links, and entries of file systems that do not give
// types, cost a status call.
FolderEntry entryOf(int folder, char const* name, unsigned char type) {
    FolderEntry entry{name};
    switch (type) {
        case DT_REG:
            entry.kind = EntryKind::file;
            return entry;
        case DT_DIR:
            entry.kind = EntryKind::folder;
            return entry;
        case DT_LNK:
            entry.link = true;
            break;
        case DT_UNKNOWN: {
            struct stat status {};
            if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                return entry;
            }
            if (!S_ISLNK(status.st_mode)) {
                entry.kind = kindOf(status.st_mode);
                return entry;
            }
            entry.link = true;
            break;
        }
        default:
            return entry;
    }
    struct stat target {};
    if (::fstatat(folder, name, &target, 0) == 0) {
        entry.kind = kindOf(target.st_mode);
    }
    return entry;
}

}  // namespace

OpenFolder::OpenFolder(OpenFolder const* parent, std::string const& path, std::error_code& error)
    : descriptor_(::openat(parent != nullptr ? parent->descriptor_ : AT_FDCWD, path.c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (descriptor_ < 0) {
        error.assign(errno, std::generic_category());
    } else {
        error.clear();
    }
}

OpenFolder::~OpenFolder() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

std::vector<FolderEntry> OpenFolder::entries(std::error_code& error) const {
    std::vector<FolderEntry> entries;
    if (descriptor_ < 0) {
        return entries;
    }
    // One buffer per thread: listings are made on every thread of a check.
    alignas(struct dirent64) thread_local std::array<char, kListingBufferSize> buffer;
    while (true) {
        ssize_t const count = ::getdents64(descriptor_, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error.assign(errno, std::generic_category());
            return entries;
        }
        if (count == 0) {
            return entries;
        }
        for (ssize_t offset = 0; offset < count;) {
            auto const* record = reinterpret_cast<struct dirent64 const*>(buffer.data() + offset);
            offset += record->d_reclen;
            char const* name = record->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                entries.push_back(entryOf(descriptor_, name, record->d_type));
            }
        }
    }
}

std::vector<FolderEntry> listFolder(std::string const& folder, std::error_code& error) {
    OpenFolder const open(nullptr, folder, error);
    return open.entries(error);
}

}  // namespace korvex::tool
