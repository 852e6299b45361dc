// Reading a check's sources in batches, with io_uring and with plain calls:
// both give every file's exact content, whatever its size or place in the
// batch, and the errors a user sees, each on its own file only.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <span>
#include <string>
#include <typeinfo>
#include <vector>

#include "tests/unit/tool/TemporaryFolder.hpp"
#include "tools/korvex-nr/FileReading.hpp"

namespace korvex::tool {
namespace {

using korvex::testing::TemporaryFolder;

enum class Way { ring, plain };

class FileBatchReaderTest : public ::testing::TestWithParam<Way> {
  protected:
    void SetUp() override {
        reader = GetParam() == Way::ring ? makeRingFileBatchReader() : makePlainFileBatchReader();
        if (!reader) {
            GTEST_SKIP() << "this kernel offers no io_uring with a file table";
        }
    }

    // Reads `paths` in batches of the reader's size, as check does.
    std::vector<FileContent> readAll(std::vector<std::string> const& paths) {
        std::vector<FileContent> all;
        std::vector<FileContent> batch;
        for (std::size_t first = 0; first < paths.size(); first += reader->batchSize()) {
            std::size_t const count = std::min(reader->batchSize(), paths.size() - first);
            reader->read(std::span(paths).subspan(first, count), batch);
            EXPECT_EQ(batch.size(), count);
            all.insert(all.end(), batch.begin(), batch.end());
        }
        return all;
    }

    TemporaryFolder folder;
    std::unique_ptr<FileBatchReader> reader;
};

std::string sized(std::size_t size, char fill) {
    std::string content(size, fill);
    if (size > 0) {
        content.back() = '\n';
        content.front() = '\0';  // a zero byte is content like any other
    }
    return content;
}

TEST_P(FileBatchReaderTest, EveryFileIsReadWholeAroundEveryBufferSize) {
    std::vector<std::string> paths;
    std::vector<std::string> contents;
    for (std::size_t const size : {0, 1, 4095, 4096, 4097, 16383, 16384, 16385, 100'003, 7, 0, 2}) {
        contents.push_back(sized(size, static_cast<char>('a' + paths.size())));
        paths.push_back(
            folder.addFile("f" + std::to_string(paths.size()) + ".kx", contents.back()).string());
    }
    std::vector<FileContent> const files = readAll(paths);
    ASSERT_EQ(files.size(), paths.size());
    for (std::size_t index = 0; index < paths.size(); ++index) {
        EXPECT_EQ(files[index].content, contents[index]) << paths[index];
        EXPECT_EQ(files[index].error, "") << paths[index];
    }
}

TEST_P(FileBatchReaderTest, BatchesAfterTheFirstReuseNothingOfItsFiles) {
    std::vector<std::string> paths;
    for (std::size_t index = 0; index < 3 * reader->batchSize() + 1; ++index) {
        // Sizes that shrink from batch to batch, so stale bytes would show.
        std::string const content(5000 - 37 * index, static_cast<char>('a' + index % 26));
        paths.push_back(folder.addFile("g" + std::to_string(index) + ".kx", content).string());
    }
    std::vector<FileContent> const files = readAll(paths);
    ASSERT_EQ(files.size(), paths.size());
    for (std::size_t index = 0; index < paths.size(); ++index) {
        EXPECT_EQ(files[index].content,
                  std::string(5000 - 37 * index, static_cast<char>('a' + index % 26)));
    }
}

TEST_P(FileBatchReaderTest, AnErrorConcernsItsFileOnly) {
    std::string const before = folder.addFile("before.kx", "a = 1;\n").string();
    std::string const missing = (folder.root() / "missing.kx").string();
    std::string const subfolder = folder.addFolder("sub.kx").string();
    std::string const after = folder.addFile("after.kx", "b = 2;\n").string();
    std::vector<FileContent> const files = readAll({before, missing, subfolder, after});
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0].content, "a = 1;\n");
    EXPECT_EQ(files[1].error, "cannot read '" + missing + "': no such file or no permission");
    EXPECT_EQ(files[2].error, "cannot read '" + subfolder + "': it is a directory");
    EXPECT_EQ(files[3].content, "b = 2;\n");
    EXPECT_EQ(files[3].error, "");
}

TEST_P(FileBatchReaderTest, UnreadableFilesAreReportedWithTheirPath) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    std::string const locked = folder.addFile("locked.kx", "x = 1;\n").string();
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    std::vector<FileContent> const files = readAll({locked});
    EXPECT_EQ(files.at(0).error, "cannot read '" + locked + "': no such file or no permission");
}

// Opens for anyone, the superuser too, but reading its first page fails:
// the error comes from the read, not from the open.
TEST_P(FileBatchReaderTest, AFileThatOpensButCannotBeReadIsReportedWithItsPath) {
    std::vector<FileContent> const files = readAll({"/proc/self/mem"});
    EXPECT_EQ(files.at(0).error, "cannot read '/proc/self/mem': read error");
}

INSTANTIATE_TEST_SUITE_P(BothWays, FileBatchReaderTest, ::testing::Values(Way::ring, Way::plain),
                         [](::testing::TestParamInfo<Way> const& info) {
                             return info.param == Way::ring ? "Ring" : "Plain";
                         });

TEST(MakeFileBatchReader, TheEnvironmentCanAskForPlainCalls) {
    ASSERT_EQ(::setenv("KORVEX_NO_IO_URING", "1", 1), 0);
    std::unique_ptr<FileBatchReader> const reader = makeFileBatchReader();
    ::unsetenv("KORVEX_NO_IO_URING");
    EXPECT_EQ(typeid(*reader), typeid(*makePlainFileBatchReader()));
}

}  // namespace
}  // namespace korvex::tool
