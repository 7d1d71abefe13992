// `cmake --install` of this build into a folder of the test's own, checked as a desktop would see it:
// both programs, the desktop entry (desktop-file-validate), the AppStream metadata with README's
// screenshots (appstreamcli), the icon drawn from the logo, the manual page (groff's warnings), and
// nothing of the Oracle stand-in. Without those validators the program reports itself skipped.
#include "support/ChildProcess.h"
#include "support/Env.h"
#include "support/ReportSchema.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;
using testsupport::runProgram;

namespace {

const std::string kAppId = MORVANE_APP_ID;
fs::path g_prefix;

std::string bin() { return testsupport::env("MORVANE_BIN", MORVANE_BINARY_DIR); }

// The width and height a PNG file declares in its header; zeros for anything else.
std::pair<unsigned, unsigned> pngSize(const fs::path &path)
{
    const std::string bytes = testsupport::readFile(path.string());
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto word = [&](std::size_t at) {
        unsigned value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

} // namespace

TEST(InstallTree, HoldsBothProgramsTheDesktopFilesAndNothingOfTheOracleStandIn)
{
    for (const char *program : {"bin/morvane", "bin/morvane-cli"}) {
        const fs::path path = g_prefix / program;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_exec, fs::perms::none) << path;
    }
    EXPECT_TRUE(fs::is_regular_file(g_prefix / "share/applications" / (kAppId + ".desktop")));
    EXPECT_TRUE(fs::is_regular_file(g_prefix / "share/metainfo" / (kAppId + ".metainfo.xml")));
    EXPECT_TRUE(fs::is_regular_file(g_prefix / "share/man/man1/morvane-cli.1.gz"));
    EXPECT_TRUE(fs::is_regular_file(g_prefix / "share/morvane/help/en/index.html"));
    for (const auto &item : fs::recursive_directory_iterator(g_prefix)) {
        const std::string name = item.path().filename().string();
        EXPECT_EQ(name.find("clntsh"), std::string::npos) << item.path();
        EXPECT_EQ(name.find("oracle-sim"), std::string::npos) << item.path();
        EXPECT_EQ(name.find("_test"), std::string::npos) << item.path();
        EXPECT_NE(name, "morvane-bench");
    }

    // The installed command line runs from where it was put.
    std::string out;
    EXPECT_EQ(runProgram({(g_prefix / "bin/morvane-cli").string(), "--help"}, out), 0) << out;
    EXPECT_NE(out.find("usage: morvane-cli COMMAND"), std::string::npos) << out;
}

TEST(InstallTree, TheIconIsTheLogoInTheSizesOfTheThemeAndTheDesktopEntryNamesIt)
{
    for (unsigned size : {48u, 64u, 128u, 256u}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const fs::path icon = g_prefix / "share/icons/hicolor" / folder / "apps" / (kAppId + ".png");
        EXPECT_EQ(pngSize(icon), std::make_pair(size, size)) << icon;
    }
    const std::string entry = testsupport::readFile((g_prefix / "share/applications" / (kAppId + ".desktop")).string());
    EXPECT_NE(entry.find("\nIcon=" + kAppId + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=morvane\n"), std::string::npos) << entry;

    std::string out;
    EXPECT_EQ(
        runProgram({"desktop-file-validate", (g_prefix / "share/applications" / (kAppId + ".desktop")).string()}, out),
        0)
        << out;
    EXPECT_EQ(out, "");
}

TEST(InstallTree, TheMetadataValidatesAndShowsEveryScreenshotOfTheReadme)
{
    const fs::path metainfo = g_prefix / "share/metainfo" / (kAppId + ".metainfo.xml");
    std::string out;
    // --strict fails on every finding but the pedantic hints.
    EXPECT_EQ(runProgram({"appstreamcli", "validate", "--no-net", "--strict", metainfo.string()}, out), 0) << out;

    const std::string xml = testsupport::readFile(metainfo.string());
    EXPECT_NE(xml.find("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"), std::string::npos);
    const std::string readme = testsupport::readFile(std::string(MORVANE_SOURCE_DIR) + "/README.md");
    const std::regex shown(R"(\d\. ([^!|]+?) !\[[^\]]*\]\((docs/screenshots/[a-z0-9]+\.png)\))");
    int screenshots = 0;
    for (std::sregex_iterator it(readme.begin(), readme.end(), shown), end; it != end; ++it, ++screenshots) {
        EXPECT_NE(xml.find("<caption>" + (*it)[1].str() + "</caption>"), std::string::npos) << (*it)[1];
        EXPECT_NE(xml.find("/" + (*it)[2].str() + "</image>"), std::string::npos) << (*it)[2];
    }
    EXPECT_EQ(screenshots, 6);
}

TEST(InstallTree, TheManualPageFormatsWithoutAWarning)
{
    const std::string page = (g_prefix / "share/man/man1/morvane-cli.1.gz").string();
    std::string out;
    // -ww: every warning; -z: no output but the warnings themselves.
    ASSERT_EQ(runProgram({"/bin/sh", "-c", "zcat \"$0\" | groff -man -ww -z -Tutf8", page}, out), 0) << out;
    EXPECT_EQ(out, "");
    ASSERT_EQ(runProgram({"/bin/sh", "-c", "zcat \"$0\" | groff -man -Tutf8 -P-cbou", page}, out), 0) << out;
    EXPECT_NE(out.find("NAME\n       morvane-cli"), std::string::npos) << out;
    EXPECT_NE(out.find("moves MySQL tables into an Oracle schema"), std::string::npos) << out;
    EXPECT_NE(out.find("--mysql-database DB"), std::string::npos) << out;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::string missing;
    for (const char *program : {"desktop-file-validate", "appstreamcli", "groff", "zcat"})
        if (testsupport::findProgram(program).empty())
            missing += std::string(missing.empty() ? "" : ", ") + program;
    if (!missing.empty()) {
        std::printf("skipped: checking the install tree needs %s\n", missing.c_str());
        return 77; // CTest's SKIP_RETURN_CODE for this program
    }
    char dir[] = "/tmp/morvane-install-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    g_prefix = dir;
    std::string out;
    if (runProgram({MORVANE_CMAKE, "--install", bin(), "--prefix", g_prefix.string()}, out) != 0) {
        std::printf("cmake --install failed:\n%s\n", out.c_str());
        fs::remove_all(g_prefix);
        return 1;
    }
    const int status = RUN_ALL_TESTS();
    fs::remove_all(g_prefix);
    return status;
}
