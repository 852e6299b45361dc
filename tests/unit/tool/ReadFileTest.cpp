// Reading source files: whole contents whatever the size, a buffer reused
// from file to file, pipes whose size is unknown, and the errors a user sees.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <thread>

#include "tests/unit/tool/TemporaryFolder.hpp"
#include "tools/korvex-nr/FileReading.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace {

using korvex::testing::TemporaryFolder;
using korvex::tool::InvocationError;
using korvex::tool::readFile;
using korvex::tool::readFileInto;
using korvex::tool::readRegularFileInto;

TEST(ReadFile, ReusedBufferHoldsExactlyEachFile) {
    TemporaryFolder folder;
    std::string large(100'003, 'x');
    large[4095] = '\0';  // a zero byte is content like any other
    std::string const path = folder.addFile("large.kx", large).string();
    std::string const small = folder.addFile("small.kx", "x = 1;\n").string();
    std::string const empty = folder.addFile("empty.kx").string();
    std::string buffer;
    readFileInto(path, buffer);
    EXPECT_EQ(buffer, large);
    readFileInto(small, buffer);
    EXPECT_EQ(buffer, "x = 1;\n");
    readFileInto(empty, buffer);
    EXPECT_EQ(buffer, "");
    EXPECT_EQ(readFile(path), large);
}

TEST(ReadFile, PipesAreReadToTheEndOfTheirData) {
    TemporaryFolder folder;
    std::string const path = (folder.root() / "fifo").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::string const content(70'000, 'p');
    std::jthread writer([&] { std::ofstream(path, std::ios::binary) << content; });
    EXPECT_EQ(readFile(path), content);
}

TEST(ReadFile, RegularFilesAreReadWholeAroundTheFirstReadSize) {
    TemporaryFolder folder;
    std::string buffer;
    for (std::size_t const size : {0, 1, 4095, 4096, 4097, 8192, 100'003}) {
        std::string content(size, 'r');
        if (size > 0) {
            content.back() = '\n';
        }
        std::string const path = folder.addFile("f" + std::to_string(size) + ".kx", content);
        readRegularFileInto(path, buffer);
        EXPECT_EQ(buffer, content) << size << " bytes";
    }
}

TEST(ReadFile, FoldersAndMissingFilesAreUserErrors) {
    TemporaryFolder folder;
    auto message = [](std::string const& path) {
        std::string messages[2] = {"no error", "no error"};
        try {
            readFile(path);
        } catch (InvocationError const& error) {
            messages[0] = error.what();
        }
        try {
            std::string buffer;
            readRegularFileInto(path, buffer);
        } catch (InvocationError const& error) {
            messages[1] = error.what();
        }
        EXPECT_EQ(messages[0], messages[1]) << "both ways of reading fail alike";
        return messages[0];
    };
    std::string const root = folder.root().string();
    EXPECT_EQ(message(root), "cannot read '" + root + "': it is a directory");
    EXPECT_EQ(message(root + "/absent.kx"),
              "cannot read '" + root + "/absent.kx': no such file or no permission");
}

}  // namespace
