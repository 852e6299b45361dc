#include "tools/korvex-nr/ProjectConfig.hpp"

#include <gtest/gtest.h>

#include "tests/unit/tool/TemporaryFolder.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryFolder;

std::string refusal(std::string const& text) {
    try {
        parseProjectConfig(text, "proj/korvex.toml");
    } catch (InvocationError const& error) {
        return error.what();
    }
    return "accepted";
}

TEST(ProjectConfigTest, ReadsEveryKeyWithItsLineAndFoldersRelativeToTheFile) {
    ProjectConfig const config = parseProjectConfig(R"([check]
path = ["lib", "vendor/lib", "."]
builtins = ["builtins.txt"]
externals = ["legacy_tool"]
external-packages = ["java"]
package-imports = false
exclude = ["drafts/**"]
disable = ["tal_error_variable_used_where_function_is_required"]
)",
                                                    "proj/korvex.toml");
    EXPECT_EQ(config.path.value, (std::vector<fs::path>{"proj/lib", "proj/vendor/lib", "proj"}));
    EXPECT_EQ(config.path.origin, "korvex.toml:2:8");
    EXPECT_EQ(config.builtins.value, std::vector<fs::path>{"proj/builtins.txt"});
    EXPECT_EQ(config.externals.value, std::vector<std::string>{"legacy_tool"});
    EXPECT_EQ(config.externalPackages.value, std::vector<std::string>{"java"});
    EXPECT_EQ(config.packageImports.value, std::optional<bool>(false));
    EXPECT_EQ(config.packageImports.origin, "korvex.toml:6:19");
    EXPECT_EQ(config.exclude.value, std::vector<std::string>{"drafts/**"});
    EXPECT_EQ(config.disable.value.size(), 1U);
}

TEST(ProjectConfigTest, AFileWithoutTheTableSetsNothing) {
    ProjectConfig const config = parseProjectConfig("[other]\nx = 1\n", "korvex.toml");
    EXPECT_TRUE(config.path.origin.empty());
    EXPECT_FALSE(config.packageImports.value.has_value());
}

TEST(ProjectConfigTest, RefusesMalformedFilesNamingLineAndColumn) {
    EXPECT_EQ(refusal("[check]\npath = [\"a\", 3]\n"),
              "proj/korvex.toml:2:14: 'path' must hold strings only");
    EXPECT_EQ(refusal("[check]\nexclude = \"drafts\"\n"),
              "proj/korvex.toml:2:11: 'exclude' must be an array of strings");
    EXPECT_EQ(refusal("[check]\npackage-imports = 1\n"),
              "proj/korvex.toml:2:19: 'package-imports' must be true or false");
    EXPECT_EQ(refusal("check = 1\n"), "proj/korvex.toml:1:9: 'check' must be a table");
    EXPECT_NE(refusal("[check]\nbuiltin = []\n").find("2:11: unknown key 'builtin'"),
              std::string::npos);
    EXPECT_NE(refusal("[check\npath = []\n").find("proj/korvex.toml:1:7: "), std::string::npos);
}

TEST(ProjectConfigTest, FindsTheNearestFileAboveACheckedPath) {
    TemporaryFolder tree;
    fs::path const outer = tree.addFile("korvex.toml");
    fs::path const inner = tree.addFile("sub/korvex.toml");
    fs::path const file = tree.addFile("sub/deep/f.kx");
    tree.addFolder("other");
    EXPECT_TRUE(fs::equivalent(*findProjectConfig(file), inner));
    EXPECT_TRUE(fs::equivalent(*findProjectConfig(tree.root() / "sub"), inner));
    EXPECT_TRUE(fs::equivalent(*findProjectConfig(tree.root() / "other"), outer));
}

TEST(ProjectConfigTest, GlobsMatchPathsAndEverythingInMatchingFolders) {
    EXPECT_TRUE(globMatches("drafts/**", "drafts/a.kx"));
    EXPECT_TRUE(globMatches("drafts", "drafts/sub/a.kx"));
    EXPECT_TRUE(globMatches("**/old/*.kx", "old/a.kx"));
    EXPECT_TRUE(globMatches("**/old/*.kx", "x/y/old/a.kx"));
    EXPECT_TRUE(globMatches("+geo/?.kx", "+geo/a.kx"));
    EXPECT_FALSE(globMatches("**/old/*.kx", "old/sub/a.kx"));
    EXPECT_FALSE(globMatches("drafts/*.kx", "other/drafts/a.kx"));
    EXPECT_FALSE(globMatches("*.kx", "sub/a.kx")) << "'*' stays within one component";
}

}  // namespace
}  // namespace korvex::tool
