#pragma once
// How korvex-nr reads the disk: whole files and folder listings. A check
// lists and reads thousands of small files, and on the machines it runs on
// each entry into the kernel costs more than the work done there, so every
// operation here makes as few system calls as it can.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace korvex::tool {

// The content of the file at `path`; InvocationError when it cannot be read.
std::string readFile(std::string const& path);
// The same into `content`, whose memory is reused: a check reads every file
// of a thread into one buffer.
void readFileInto(std::string const& path, std::string& content);
// The same for a path found to name a regular file (a check's sources): its
// size is not asked for, the end being where a read first falls short, and a
// file of at most 4 KB takes a single read.
void readRegularFileInto(std::string const& path, std::string& content);

// What an entry of a folder is.
enum class EntryKind { file, folder, other };

// One entry of a folder listing.
struct FolderEntry {
    std::string name;  // without the folder
    // What the entry is; a symbolic link counts as what it points to, and
    // as `other` when it points nowhere.
    EntryKind kind = EntryKind::other;
    bool link = false;  // whether the entry is a symbolic link
};

// A folder opened for listing; the descriptor is closed with the object.
// Subfolders are opened relative to it, so that the kernel does not walk
// the whole path again for each.
class OpenFolder {
  public:
    // Opens `path`, relative to `parent` when `path` is relative and a parent
    // is given, else relative to the working folder. On failure `error` is
    // set and the object lists nothing.
    OpenFolder(OpenFolder const* parent, std::filesystem::path const& path, std::error_code& error);
    ~OpenFolder();
    OpenFolder(OpenFolder const&) = delete;
    OpenFolder& operator=(OpenFolder const&) = delete;

    // The entries other than `.` and `..`, in the order the system gives
    // them; on an error, `error` is set and the entries are those read
    // before it.
    std::vector<FolderEntry> entries(std::error_code& error) const;

  private:
    int descriptor_;  // -1 when the folder could not be opened
};

// The entries of `folder`, as OpenFolder::entries gives them.
std::vector<FolderEntry> listFolder(std::filesystem::path const& folder, std::error_code& error);

}  // namespace korvex::tool
