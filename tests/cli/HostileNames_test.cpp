// File names that shells, text formats and string code trip over, as source,
// output, move folder, padding file and command-line argument of quorvel-cli.
// A name either works or gives the run's own message; the batch format cannot
// hold a semicolon or a line break, and the tests below pin down what a run
// does with what is left of a hand-written line that holds one.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "engine/RunMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quorvel {
namespace {

using test::AppMessage;
using test::BatchLine;
using test::CliResult;
using test::CTempDir;
using test::ReadFileBytes;
using test::RunCli;
using test::WriteFileBytes;
using ::testing::HasSubstr;

constexpr double kTimeLimitSeconds = 60;

struct Name {
    const char* what;
    std::string name; // a file name ending in ".pdf"
};

// Names every format of the program can hold.
const std::vector<Name>& HoldableNames() {
    static const std::vector<Name> names = {
        {"blanks", " with  blanks .pdf"},
        {"quotes", "it's \"quoted\".pdf"},
        {"star", "st*r.pdf"},
        {"question mark", "wh?t.pdf"},
        {"leading dash", "-x.pdf"},
        {"shell syntax", "$(touch pwned)`id`&|<>.pdf"},
        {"backslashes", "a\\\\b\\.pdf"},
        {"percent signs", "%s%n%d.pdf"},
        {"non-UTF-8 bytes", "\xff\xfe\x80\xc3(.pdf"},
        {"UTF-8", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac.pdf"},
        {"tab", "a\tb.pdf"},
    };
    return names;
}

class HostileNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CliHasCommand("run") || !test::CliHasCommand("pages"))
            GTEST_SKIP() << "this quorvel-cli has no run and pages commands";
    }

    CliResult Run(const std::string& batch, const std::string& setup = "") {
        EXPECT_TRUE(WriteFileBytes(dir / "job.app", batch));
        if (!setup.empty()) {
            EXPECT_TRUE(WriteFileBytes(dir / "setup.ini", setup));
        }
        CliResult r = RunCli({"run", "job.app"}, dir.Path(), kTimeLimitSeconds);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.termSignal, 0);
        return r;
    }
    CTempDir dir;
};

TEST_F(HostileNamesTest, PagesTakesAnyNameAsGiven) {
    std::vector<Name> names = HoldableNames();
    names.push_back({"semicolon", "semi;colon.pdf"});
    names.push_back({"line break", "new\nline.pdf"});
    names.push_back({"250 characters", std::string(246, 'n') + ".pdf"});
    for (const Name& n : names) {
        SCOPED_TRACE(n.what);
        ASSERT_TRUE(WriteFileBytes(dir / n.name, test::MakePdf(2)));
        // Relative (as typed in the working folder) and absolute.
        for (const std::string& path : {n.name, dir / n.name}) {
            CliResult r = RunCli({"pages", path}, dir.Path(), kTimeLimitSeconds);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(r.out, "2\t" + path + "\n");
        }
    }
    EXPECT_FALSE(test::PathExists(dir / "pwned")) << "a name reached a shell";
    // A path longer than 255 characters made of ordinary folder names.
    std::string deep = dir.Path();
    for (int i = 0; deep.size() < 300; ++i) {
        deep += "/" + std::string(40, static_cast<char>('a' + i));
        ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    }
    ASSERT_TRUE(WriteFileBytes(deep + "/d.pdf", test::MakePdf(3)));
    CliResult r = RunCli({"pages", deep + "/d.pdf"}, "", kTimeLimitSeconds);
    EXPECT_EQ(r.out, "3\t" + deep + "/d.pdf\n");
}

TEST_F(HostileNamesTest, HoldableNamesWorkInEveryRoleOfARun) {
    for (const Name& n : HoldableNames()) {
        SCOPED_TRACE(n.what);
        const std::string source = "s" + n.name, output = "o" + n.name, moveDir = "m" + n.name,
                          padding = "p" + n.name;
        const std::string bytes = test::MakePdf(2, "source");
        ASSERT_TRUE(WriteFileBytes(dir / source, bytes));
        ASSERT_TRUE(WriteFileBytes(dir / padding, test::MakePdf(1, "padding")));
        // Relative names keep the line within 254 characters; the working
        // folder resolves them. The bookmark takes the source's name.
        CliResult r = Run(BatchLine(source, "all", moveDir, output, "N", "Y", "Y"),
                          test::SetupIni("", "", padding));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\n");
        EXPECT_EQ(test::QpdfCheck(dir / output), 0);
        EXPECT_EQ(test::QpdfPages(dir / output), 3);
        EXPECT_FALSE(test::PathExists(dir / source)) << "the source is moved";
        EXPECT_EQ(ReadFileBytes(dir / moveDir + "/" + source), bytes);
        EXPECT_THAT(ReadFileBytes(dir / "append.log"), HasSubstr(source));
    }
}

TEST_F(HostileNamesTest, WhatTheBatchFormatCannotHold) {
    ASSERT_TRUE(WriteFileBytes(dir / "semi;colon.pdf", test::MakePdf(2)));
    ASSERT_TRUE(WriteFileBytes(dir / "new\nline.pdf", test::MakePdf(2)));
    ASSERT_TRUE(WriteFileBytes(dir / "ok.pdf", test::MakePdf(2)));

    // A semicolon cuts the source name: "semi" is no PDF name and the row is
    // refused, which leaves an empty job list and a run that does nothing.
    CliResult r = Run(BatchLine("semi;colon.pdf", "all", "", "o.pdf"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(test::PathExists(dir / "o.pdf"));

    // In the output it cuts the output name, and the rest shifts into the
    // flags: the pages go to "o", no ".pdf" added.
    r = Run(BatchLine("ok.pdf", "all", "", "o;x.pdf", "N", "Y"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::QpdfPages(dir / "o"), 2);
    EXPECT_FALSE(test::PathExists(dir / "o;x.pdf"));

    // A line break ends the line: the first part is refused, the second is a
    // row for "line.pdf" in the working folder, which does not exist.
    r = Run(BatchLine("new\nline.pdf", "all", "", "o2.pdf", "N", "Y"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "row 1: Processing\n");
    EXPECT_THAT(r.err,
                HasSubstr(AppMessage(std::string(RunMessages::kErrorOpeningFile) + "line.pdf")));
    EXPECT_FALSE(test::PathExists(dir / "o2.pdf"));

    // In setup.ini a semicolon cuts the padding path; the run reports the
    // cut path, skips the padding and goes on.
    r = Run(BatchLine("ok.pdf", "all", "", "o3.pdf", "N", "Y"),
            test::SetupIni("", "", "semi;colon.pdf"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, AppMessage(std::string(RunMessages::kUnableToOpenFile) + "semi") +
                         "Quorvel: Done.\n");
    EXPECT_EQ(test::QpdfPages(dir / "o3.pdf"), 2);

    // A lone carriage return is an ordinary character in a batch line, but it
    // ends a line of setup.ini.
    ASSERT_TRUE(WriteFileBytes(dir / "cr\rx.pdf", test::MakePdf(2)));
    r = Run(BatchLine("cr\rx.pdf", "all", "", "o4.pdf", "N", "Y"),
            test::SetupIni("", "", "cr\rx.pdf"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err,
              AppMessage(std::string(RunMessages::kUnableToOpenFile) + "cr") + "Quorvel: Done.\n");
    EXPECT_EQ(test::QpdfPages(dir / "o4.pdf"), 2);

    // Every file the runs read is still there, unchanged.
    EXPECT_EQ(ReadFileBytes(dir / "semi;colon.pdf"), test::MakePdf(2));
    EXPECT_EQ(ReadFileBytes(dir / "new\nline.pdf"), test::MakePdf(2));
    EXPECT_EQ(ReadFileBytes(dir / "ok.pdf"), test::MakePdf(2));
}

TEST_F(HostileNamesTest, LineOver254CharactersIsReadWhole) {
    // A 250-character source name, with an output and a move-to folder of
    // the same length: a line of about 800 characters that runs as one row.
    const std::string name = std::string(246, 'n') + ".pdf";
    const std::string output = std::string(246, 'o') + ".pdf", moveDir = std::string(250, 'm');
    ASSERT_TRUE(WriteFileBytes(dir / name, test::MakePdf(2)));
    CliResult r = Run(BatchLine(name, "all", moveDir, output, "N", "Y"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\n");
    EXPECT_EQ(test::QpdfPages(dir / output), 2);
    EXPECT_EQ(ReadFileBytes(dir / moveDir + "/" + name), test::MakePdf(2));
}

} // namespace
} // namespace quorvel
