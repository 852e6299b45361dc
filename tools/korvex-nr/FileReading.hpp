#pragma once
// How korvex-nr reads the disk: whole files, folder listings, and the
// batches of files a check reads. A check lists and reads thousands of small
// files, and on the machines it runs on each entry into the kernel costs
// more than the work done there, so every operation here makes as few
// system calls as it can.

#include <memory>
#include <span>
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
    OpenFolder(OpenFolder const* parent, std::string const& path, std::error_code& error);
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
std::vector<FolderEntry> listFolder(std::string const& folder, std::error_code& error);

// A file read by a FileBatchReader: its content, or why it could not be
// read.
struct FileContent {
    std::string content;  // the file's bytes; undefined when `error` is set
    std::string error;    // empty when read; else "cannot read 'PATH': WHY"
};

// Reads many regular files at once (a check's sources), with the same
// results and errors as readRegularFileInto. Where the system allows, the
// opening, reading and closing of a whole batch take one entry into the
// kernel. An object belongs to one thread.
class FileBatchReader {
  public:
    virtual ~FileBatchReader() = default;
    // The largest batch `read` takes.
    virtual std::size_t batchSize() const = 0;
    // Reads `paths[i]` into `files[i]` (resized to the paths' count, the
    // memory of earlier batches reused).
    virtual void read(std::span<std::string const> paths, std::vector<FileContent>& files) = 0;
};

// The reader that batches the system calls (io_uring) when the kernel
// offers it and the environment variable KORVEX_NO_IO_URING is not 1 (for
// tests and for systems where it misbehaves); otherwise the plain one.
std::unique_ptr<FileBatchReader> makeFileBatchReader();
// The reader that batches the system calls; null when the kernel does not
// offer io_uring with a file table of its own (before Linux 5.19, or
// refused by the system's policy).
std::unique_ptr<FileBatchReader> makeRingFileBatchReader();
// The reader that reads file after file with plain calls.
std::unique_ptr<FileBatchReader> makePlainFileBatchReader();

}  // namespace korvex::tool
