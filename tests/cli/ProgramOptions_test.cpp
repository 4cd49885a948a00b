// --help, --version and unknown options of the three installed programs.

#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quorvel::test {
namespace {

TEST(ProgramOptions, HelpVersionAndUnknownOptions) {
    // An unknown option of the window program is found once Qt has taken its
    // own options, so that program needs a display; the offscreen one will do.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    struct Case {
        const char* program;
        std::vector<std::string> args;
        int exitCode;
        const char* out; // start of standard output
        const char* err; // text standard error must hold ("" : must be empty)
    };
    const std::string version = QUORVEL_VERSION_TEXT;
    const Case cases[] = {
        {QUORVEL_CLI_PATH, {"--help"}, 0, "usage:\n", ""},
        {QUORVEL_CLI_PATH, {"--version"}, 0, "quorvel-cli " QUORVEL_VERSION_TEXT "\n", ""},
        {QUORVEL_CLI_PATH, {"--bogus"}, 2, "", "usage:\n"},
        {QUORVEL_CLI_PATH, {}, 2, "", "usage:\n"},
        {QUORVEL_CLI_PATH, {"run", "--bogus"}, 2, "", "usage:\n"},
        {QUORVEL_CLI_PATH, {"scan", "one", "--help"}, 0, "usage:\n", ""},
        {QUORVEL_DOCSERVER_PATH, {"--help"}, 0, "usage: ", ""},
        {QUORVEL_DOCSERVER_PATH,
         {"--version"},
         0,
         "quorvel-docserver " QUORVEL_VERSION_TEXT "\n",
         ""},
        {QUORVEL_DOCSERVER_PATH, {"--fd", "3", "--bogus"}, 2, "", "usage: "},
#ifdef QUORVEL_WINDOW_PATH
        {QUORVEL_WINDOW_PATH, {"--help"}, 0, "usage: quorvel ", ""},
        {QUORVEL_WINDOW_PATH, {"a.pdf", "--version"}, 0, "quorvel " QUORVEL_VERSION_TEXT "\n", ""},
        {QUORVEL_WINDOW_PATH, {"--bogus", "a.pdf"}, 2, "", "unknown option --bogus\nusage: "},
#endif
    };
    for (const Case& c : cases) {
        const std::string where = std::string(c.program) + " " + ::testing::PrintToString(c.args);
        const CliResult r = RunProgram(c.program, c.args, "", 60);
        EXPECT_EQ(r.exitCode, c.exitCode) << where << "\n" << r.err;
        EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << where << "\n" << r.out;
        if (*c.err)
            EXPECT_NE(r.err.find(c.err), std::string::npos) << where << "\n" << r.err;
        else
            EXPECT_EQ(r.err, "") << where;
    }
}

} // namespace
} // namespace quorvel::test
