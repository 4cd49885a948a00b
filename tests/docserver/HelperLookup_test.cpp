// Where a program finds quorvel-docserver: beside itself (the build tree),
// in the private folder of an installation, else where this build made it.

#include "common/TempDir.h"
#include "docserver/DocServerConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace quorvel {
namespace {

namespace fs = std::filesystem;

void WriteExecutable(const std::string& path, bool executable) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(test::WriteFileBytes(path, "#!/bin/sh\n"));
    ASSERT_EQ(::chmod(path.c_str(), executable ? 0755 : 0644), 0);
}

TEST(DocServerLookup, BesideThenInstalledThenBuilt) {
    struct Case {
        const char* name;
        int beside;           // -1 none, 0 a file that cannot be run, 1 executable
        int installed;        // the same, in <prefix>/libexec/quorvel
        const char* expected; // "beside", "installed" or "built"
    };
    const Case cases[] = {
        {"only the build's", -1, -1, "built"},
        {"installed", -1, 1, "installed"},
        {"beside wins", 1, 1, "beside"},
        {"beside not executable", 0, 1, "installed"},
        {"installed not executable", -1, 0, "built"},
    };
    for (const Case& c : cases) {
        test::CTempDir prefix;
        const std::string bin = prefix / "bin/";
        fs::create_directories(bin);
        const std::string beside = bin + "quorvel-docserver";
        const std::string installed = prefix / "libexec/quorvel/quorvel-docserver";
        if (c.beside >= 0)
            WriteExecutable(beside, c.beside == 1);
        if (c.installed >= 0)
            WriteExecutable(installed, c.installed == 1);
        const std::string found = FindDocServerExecutableFrom(bin);
        const std::string expected = std::string(c.expected) == "beside" ? beside
                                     : std::string(c.expected) == "installed"
                                         ? installed
                                         : QUORVEL_DOCSERVER_REAL;
        EXPECT_EQ(fs::weakly_canonical(found), fs::weakly_canonical(expected)) << c.name;
    }
}

// A program that cannot tell where it lies never runs a "quorvel-docserver"
// that happens to be in the working folder.
TEST(DocServerLookup, NeverFromTheWorkingFolder) {
    test::CTempDir dir;
    WriteExecutable(dir / "quorvel-docserver", true);
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    const std::string found = FindDocServerExecutableFrom("");
    fs::current_path(previous);
    EXPECT_EQ(found, QUORVEL_DOCSERVER_REAL);
}

} // namespace
} // namespace quorvel
