#pragma once
// A folder tree made for one test and removed afterwards.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvex::testing {

class TemporaryFolder {
  public:
    TemporaryFolder() {
        static std::atomic<int> counter{0};
        root_ =
            std::filesystem::temp_directory_path() /
            ("korvex-tool-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TemporaryFolder(TemporaryFolder const&) = delete;
    TemporaryFolder& operator=(TemporaryFolder const&) = delete;

    std::filesystem::path const& root() const { return root_; }

    // Creates the file `relative` (and its folders) holding `content`.
    std::filesystem::path addFile(std::string const& relative, std::string const& content = "") {
        std::filesystem::path const path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << content;
        return path;
    }
    std::filesystem::path addFolder(std::string const& relative) {
        std::filesystem::path const path = root_ / relative;
        std::filesystem::create_directories(path);
        return path;
    }

  private:
    std::filesystem::path root_;
};

}  // namespace korvex::testing
