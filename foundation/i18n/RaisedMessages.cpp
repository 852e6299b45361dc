#include "foundation/i18n/RaisedMessages.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace fl::i18n {

namespace {

// The record file, opened at the first message; null when none is asked for.
class RaisedMessageRecord {
  public:
    RaisedMessageRecord() {
        if (char const* path = std::getenv("KORVEX_RAISED_MESSAGES"); path != nullptr && *path) {
            file_ = std::fopen(path, "a");
        }
    }
    ~RaisedMessageRecord() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    RaisedMessageRecord(RaisedMessageRecord const&) = delete;
    RaisedMessageRecord& operator=(RaisedMessageRecord const&) = delete;

    void note(std::string_view errorId) {
        if (file_ == nullptr) {
            return;
        }
        std::lock_guard const lock(mutex_);
        std::fprintf(file_, "%.*s\n", static_cast<int>(errorId.size()), errorId.data());
        std::fflush(file_);
    }

  private:
    std::FILE* file_ = nullptr;
    std::mutex mutex_;
};

}  // namespace

void noteRaisedMessage(std::string_view errorId) {
    static RaisedMessageRecord record;
    record.note(errorId);
}

}  // namespace fl::i18n
