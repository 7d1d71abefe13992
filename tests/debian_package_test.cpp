// `cpack -G DEB` of this build, checked with dpkg-deb: a package whose dependencies are the packages
// of the libraries the programs link (dpkg-shlibdeps) and libsecret, which QtKeychain loads at run
// time; the programs and the desktop files under /usr; nothing of the Oracle stand-in; a command line
// that runs once unpacked. Without dpkg-deb and dpkg-shlibdeps the program reports itself skipped.
#include "support/ChildProcess.h"
#include "support/Env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using testsupport::runProgram;

namespace {

const std::string kAppId = MORVANE_APP_ID;
fs::path g_dir;
fs::path g_package;

std::string field(const std::string &name)
{
    std::string out;
    EXPECT_EQ(runProgram({"dpkg-deb", "--field", g_package.string(), name}, out), 0) << out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

// The names of the packages a Depends field lists, alternatives included, without versions.
std::vector<std::string> packagesOf(const std::string &depends)
{
    std::vector<std::string> names;
    std::string item;
    std::istringstream in(depends);
    while (std::getline(in, item, ',')) {
        std::istringstream alternatives(item);
        std::string one;
        while (std::getline(alternatives, one, '|')) {
            std::istringstream words(one);
            std::string name;
            words >> name;
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

TEST(DebianPackage, DependsOnThePackagesOfTheLibrariesItLinks)
{
    EXPECT_EQ(field("Package"), "morvane");
    std::string arch;
    ASSERT_EQ(runProgram({"dpkg", "--print-architecture"}, arch), 0);
    EXPECT_EQ(field("Architecture") + "\n", arch);
    const std::string depends = field("Depends");
    const std::vector<std::string> packages = packagesOf(depends);
    for (const char *needed :
         {"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libmariadb3", "libqt6keychain1", "libsecret-1-0"})
        EXPECT_NE(std::find(packages.begin(), packages.end(), needed), packages.end()) << needed << " in " << depends;
    EXPECT_EQ(depends.find("sqlite"), std::string::npos) << depends; // only the stand-in uses SQLite
    EXPECT_EQ(field("Section"), "database");
}

TEST(DebianPackage, HoldsTheProgramsAndTheirFilesUnderUsrAndNothingElse)
{
    std::string listing;
    ASSERT_EQ(runProgram({"dpkg-deb", "--contents", g_package.string()}, listing), 0) << listing;
    for (const std::string &path : std::vector<std::string>{
             "./usr/bin/morvane", "./usr/bin/morvane-cli", "./usr/share/applications/" + kAppId + ".desktop",
             "./usr/share/metainfo/" + kAppId + ".metainfo.xml",
             "./usr/share/icons/hicolor/48x48/apps/" + kAppId + ".png",
             "./usr/share/icons/hicolor/256x256/apps/" + kAppId + ".png", "./usr/share/man/man1/morvane-cli.1.gz",
             "./usr/share/morvane/help/en/index.html"})
        EXPECT_NE(listing.find(" " + path + "\n"), std::string::npos) << path << "\n" << listing;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_NE(line.find(" ./usr/"), std::string::npos) << line;
        for (const char *foreign : {"clntsh", "oracle-sim", "_test", "morvane-bench", "morvane-screenshots"})
            EXPECT_EQ(line.find(foreign), std::string::npos) << line;
    }
}

TEST(DebianPackage, ItsCommandLineRunsOnceUnpacked)
{
    const fs::path root = g_dir / "unpacked";
    std::string out;
    ASSERT_EQ(runProgram({"dpkg-deb", "--extract", g_package.string(), root.string()}, out), 0) << out;
    EXPECT_EQ(runProgram({(root / "usr/bin/morvane-cli").string(), "convert", "--help"}, out), 0) << out;
    EXPECT_NE(out.find("usage: morvane-cli convert"), std::string::npos) << out;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::string missing;
    for (const char *program : {"dpkg-deb", "dpkg-shlibdeps"})
        if (testsupport::findProgram(program).empty())
            missing += std::string(missing.empty() ? "" : ", ") + program;
    if (!missing.empty()) {
        std::printf("skipped: making the Debian package needs %s\n", missing.c_str());
        return 77; // CTest's SKIP_RETURN_CODE for this program
    }
    char dir[] = "/tmp/morvane-package-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    g_dir = dir;
    const std::string bin = testsupport::env("MORVANE_BIN", MORVANE_BINARY_DIR);
    std::string out;
    const int made =
        runProgram({MORVANE_CPACK, "-G", "DEB", "--config", bin + "/CPackConfig.cmake", "-B", g_dir.string()}, out);
    for (const auto &item : fs::directory_iterator(g_dir))
        if (item.path().extension() == ".deb")
            g_package = item.path();
    if (made != 0 || g_package.empty()) {
        std::printf("cpack -G DEB failed:\n%s\n", out.c_str());
        fs::remove_all(g_dir);
        return 1;
    }
    const int status = RUN_ALL_TESTS();
    fs::remove_all(g_dir);
    return status;
}
