#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <algorithm>

using quorvel::test::CliResult;
using quorvel::test::RunCli;

namespace {

std::string Join(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args)
        text += "[" + a + "]";
    return text;
}

} // namespace

TEST(CliParamsTest, ExpandAndValidateTable) {
    const std::string noOutput = "Error Destination: you must specify an output pdf file or "
                                 "existing pdf file to append to\n";
    struct {
        std::vector<std::string> args;
        std::string out;
        std::string err;
        int exitCode;
    } cases[] = {
        {{"expand", "all", "10"}, "1-10\n", "", 0},
        {{"expand", "6-7, 9-10", "10"}, "6-7\n9-10\n", "", 0},
        {{"expand", "-6", "10"}, "6-6\n", "", 0},
        {{"expand", "7-3", "10"}, "7-3\n", "", 0},
        {{"expand", "all", "0"}, "1-0\n", "", 0},
        {{"expand", "4s", " 10 pages"}, "1-4\n5-8\n9-10\n", "", 0},
        {{"expand", "4s", "Unknown"}, "", "", 0},
        {{"expand", "", "10"}, "", "", 0},
        {{"expand", "5n", "10"}, "", "", 0},
        {{"validate", "out.pdf", "all", "10"}, "valid\n", "", 0},
        {{"validate", "-", "-6", "10"}, "valid\n", "", 0},
        {{"validate", "", "", "10"}, "", noOutput, 1},
        {{"validate", "out.pdf", "ALL", "10"}, "", "Error in parameters: no valid parameters\n", 1},
        {{"validate", "out.pdf", "7-3", "10"}, "", "Error in parameters: 7 is greater than 3\n", 1},
        {{"validate", "out.pdf", "11", "10"},
         "",
         "Error in parameters: parameter: 11 higher than pages: 10\n",
         1},
        {{"validate", "out.pdf", "0-2n", "10"},
         "",
         "Error in parameters: error in parameters can't start or end at Zero\n",
         1},
    };
    for (const auto& c : cases) {
        CliResult r = RunCli(c.args);
        EXPECT_EQ(r.out, c.out) << Join(c.args);
        EXPECT_EQ(r.err, c.err) << Join(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << Join(c.args);
    }
}

TEST(CliParamsTest, WrongArgumentCountPrintsUsage) {
    const std::vector<std::vector<std::string>> calls = {{"expand"},
                                                         {"expand", "all"},
                                                         {"expand", "all", "10", "x"},
                                                         {"validate", "out.pdf", "all"},
                                                         {"validate", "a", "b", "c", "d"}};
    for (const auto& args : calls) {
        CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << Join(args);
        EXPECT_EQ(r.out, "") << Join(args);
        EXPECT_NE(r.err.find("quorvel-cli expand EXPRESSION PAGES"), std::string::npos);
        EXPECT_NE(r.err.find("quorvel-cli validate OUTPUT EXPRESSION PAGES"), std::string::npos);
    }
}

TEST(CliParamsTest, CutExpansionFailsAfterPrintingWhatItHas) {
    CliResult r = RunCli({"expand", "1s", "99999999999"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error in parameters: parameters select more than 1000000 page ranges\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1000000);
    EXPECT_TRUE(r.out.ends_with("\n1000000-1000000\n"));
}
