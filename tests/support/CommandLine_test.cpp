#include "support/CommandLine.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(CommandLine, OptionsOperandsAndTheEndOfOptions) {
    struct Case {
        std::vector<std::string> args;
        bool help, version;
        std::vector<std::string> unknown, operands;
    };
    const Case cases[] = {
        {{}, false, false, {}, {}},
        {{"a.pdf", "b c.pdf"}, false, false, {}, {"a.pdf", "b c.pdf"}},
        {{"--help"}, true, false, {}, {}},
        {{"a.pdf", "--version"}, false, true, {}, {"a.pdf"}},
        {{"--bogus", "-x", "a.pdf"}, false, false, {"--bogus", "-x"}, {"a.pdf"}},
        // "-" alone is an operand (a file of that name), not an option.
        {{"-"}, false, false, {}, {"-"}},
        // After "--" nothing is an option, "--help" and a second "--" included.
        {{"--", "--help", "-x.pdf", "--"}, false, false, {}, {"--help", "-x.pdf", "--"}},
        {{"--help=1", "--versions"}, false, false, {"--help=1", "--versions"}, {}},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        const std::string where = ::testing::PrintToString(c.args);
        EXPECT_EQ(line.bHelp, c.help) << where;
        EXPECT_EQ(line.bVersion, c.version) << where;
        EXPECT_EQ(line.unknownOptions, c.unknown) << where;
        EXPECT_EQ(line.operands, c.operands) << where;
    }
}

} // namespace
} // namespace quorvel
