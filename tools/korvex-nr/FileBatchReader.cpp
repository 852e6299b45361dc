// Reading a check's sources a batch at a time. With io_uring, each file is
// opened, read and closed by three linked operations on a direct descriptor
// (a slot of the ring's own file table, never one of the process's), and a
// whole batch is submitted in one system call; most of it is done when that
// returns, and the rest takes at most a wait. Where io_uring is missing or
// refused, or KORVEX_NO_IO_URING=1 asks for it, the files are read one
// after the other with plain calls. A file that the batch did not read
// whole (an error, or more than its slot of the batch's buffer holds) is
// read again with plain calls, which give the error a user sees; both ways
// thus agree in every result.

#include <liburing.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <system_error>

#include "tools/korvex-nr/FileReading.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

// Enough files for the kernel entries to be few, few enough for a batch's
// buffers to stay small.
constexpr unsigned kBatchSize = 32;
// Each file takes an opening, a read and a closing.
constexpr unsigned kOperationsPerFile = 3;
// A file's slot in the batch's buffer: source files are rarely bigger. Only
// the pages a file fills are ever touched.
constexpr std::size_t kSlotSize = 16 * 1024;

// Reads the file at `path` into `file` with plain calls, by `reading` it,
// and keeps the error as a user sees it.
void readPlainly(std::string const& path, FileContent& file,
                 void (*reading)(std::string const&, std::string&)) {
    try {
        reading(path, file.content);
        file.error.clear();
    } catch (InvocationError const& error) {
        file.error = error.what();
    }
}

class PlainFileBatchReader final : public FileBatchReader {
  public:
    std::size_t batchSize() const override { return kBatchSize; }

    void read(std::span<std::string const> paths, std::vector<FileContent>& files) override {
        files.resize(paths.size());
        for (std::size_t index = 0; index < paths.size(); ++index) {
            readPlainly(paths[index], files[index], readRegularFileInto);
        }
    }
};

class UringFileBatchReader final : public FileBatchReader {
  public:
    // A reader, or null when the kernel offers no ring with a file table.
    static std::unique_ptr<FileBatchReader> create() {
        auto reader = std::unique_ptr<UringFileBatchReader>(new UringFileBatchReader);
        return reader->ready_ ? std::move(reader) : nullptr;
    }

    ~UringFileBatchReader() override {
        if (ready_) {
            io_uring_queue_exit(&ring_);
        }
    }
    UringFileBatchReader(UringFileBatchReader const&) = delete;
    UringFileBatchReader& operator=(UringFileBatchReader const&) = delete;

    std::size_t batchSize() const override { return kBatchSize; }

    void read(std::span<std::string const> paths, std::vector<FileContent>& files) override {
        files.resize(paths.size());
        readWhole_.assign(paths.size(), false);
        if (!broken_) {
            collect(submit(paths), files);
        }
        for (std::size_t index = 0; index < paths.size(); ++index) {
            if (readWhole_[index]) {
                files[index].error.clear();
            } else {
                // Big or failing: the size asked for first reads it in one go.
                readPlainly(paths[index], files[index], readFileInto);
            }
        }
    }

  private:
    enum Operation : std::uint64_t { opening, reading, closing };

    UringFileBatchReader() {
        // A failing operation must not stop the submission of the batch's
        // others; the other flags spare work, and kernels before 6.0 refuse
        // them.
        unsigned const complete = IORING_SETUP_SUBMIT_ALL;
        unsigned const sparing = complete | IORING_SETUP_COOP_TASKRUN | IORING_SETUP_SINGLE_ISSUER;
        unsigned const entries = kBatchSize * kOperationsPerFile;
        ready_ = io_uring_queue_init(entries, &ring_, sparing) == 0 ||
                 io_uring_queue_init(entries, &ring_, complete) == 0;
        if (ready_ && io_uring_register_files_sparse(&ring_, kBatchSize) != 0) {
            io_uring_queue_exit(&ring_);
            ready_ = false;
        }
    }

    char* slotData(std::size_t index) const { return buffer_.get() + index * kSlotSize; }

    static std::uint64_t tag(std::size_t index, Operation operation) {
        return index * kOperationsPerFile + operation;
    }

    // Queues and submits the batch; the count of operations the kernel
    // took. When it took fewer than all, the ring is not used again: the
    // rest stay queued, and their files are read with plain calls.
    std::size_t submit(std::span<std::string const> paths) {
        for (std::size_t index = 0; index < paths.size(); ++index) {
            auto const slot = static_cast<unsigned>(index);
            // Hard links: the closing comes after the reading even when the
            // opening or the reading failed, so no slot stays open.
            io_uring_sqe* open = io_uring_get_sqe(&ring_);
            io_uring_prep_openat_direct(open, AT_FDCWD, paths[index].c_str(), O_RDONLY, 0, slot);
            open->flags |= IOSQE_IO_HARDLINK;
            io_uring_sqe_set_data64(open, tag(index, opening));
            io_uring_sqe* read = io_uring_get_sqe(&ring_);
            io_uring_prep_read(read, static_cast<int>(slot), slotData(index), kSlotSize, 0);
            read->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
            io_uring_sqe_set_data64(read, tag(index, reading));
            io_uring_sqe* close = io_uring_get_sqe(&ring_);
            io_uring_prep_close_direct(close, slot);
            io_uring_sqe_set_data64(close, tag(index, closing));
        }
        // Not submitted and waited for at once: a wait for more operations
        // than the kernel took would never end.
        int submitted = 0;
        do {
            submitted = io_uring_submit(&ring_);
        } while (submitted == -EINTR);
        std::size_t const taken = submitted < 0 ? 0 : static_cast<std::size_t>(submitted);
        broken_ = taken != paths.size() * kOperationsPerFile;
        return taken;
    }

    // Waits for the `submitted` operations of the batch; notes which files
    // were read whole and gives them their content.
    void collect(std::size_t submitted, std::vector<FileContent>& files) {
        for (std::size_t pending = submitted; pending > 0;) {
            io_uring_cqe* completion = nullptr;
            int const waited = io_uring_wait_cqe(&ring_, &completion);
            if (waited == -EINTR) {
                continue;
            }
            if (waited < 0) {
                // The operations in flight may still write into the batch's
                // buffer: the ring is not used again, and the failure is
                // reported.
                broken_ = true;
                throw std::system_error(-waited, std::generic_category(), "io_uring");
            }
            std::uint64_t const data = io_uring_cqe_get_data64(completion);
            std::size_t const index = data / kOperationsPerFile;
            int const result = completion->res;
            io_uring_cqe_seen(&ring_, completion);
            --pending;
            // A read that fills the slot may have left more of the file.
            if (data % kOperationsPerFile == reading && result >= 0 &&
                static_cast<std::size_t>(result) < kSlotSize) {
                files[index].content.assign(slotData(index), static_cast<std::size_t>(result));
                readWhole_[index] = true;
            }
        }
    }

    io_uring ring_{};
    // The slots the files of a batch are read into, left uninitialised.
    std::unique_ptr<char[]> buffer_ =
        std::make_unique_for_overwrite<char[]>(kBatchSize * kSlotSize);
    bool ready_ = false;   // whether the ring and its file table exist
    bool broken_ = false;  // whether a submission or a wait failed
    // For each file of the batch being read, whether the ring read it whole.
    std::vector<bool> readWhole_;
};

bool ringRefusedByEnvironment() {
    char const* value = std::getenv("KORVEX_NO_IO_URING");
    return value != nullptr && std::string_view(value) == "1";
}

}  // namespace

std::unique_ptr<FileBatchReader> makeFileBatchReader() {
    std::unique_ptr<FileBatchReader> reader;
    if (!ringRefusedByEnvironment()) {
        reader = makeRingFileBatchReader();
    }
    return reader ? std::move(reader) : makePlainFileBatchReader();
}

std::unique_ptr<FileBatchReader> makeRingFileBatchReader() {
    return UringFileBatchReader::create();
}

std::unique_ptr<FileBatchReader> makePlainFileBatchReader() {
    return std::make_unique<PlainFileBatchReader>();
}

}  // namespace korvex::tool
