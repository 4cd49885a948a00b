// quorvel-cli run and pages with --password-file, on sources encrypted here
// (RC4 128 and AES-256, user and owner passwords), in-process and through the
// document helper; no file the run writes holds a password.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace quorvel {
namespace {

using test::CTempDir;
using test::RunCli;
using ::testing::HasSubstr;

// Passwords of the sources below; each is found in no file a run writes.
const char* const kRc4User = "rc4-user-Pw1";
const char* const kRc4Owner = "rc4-owner-Pw2";
const char* const kAesUser = "aes-user-Pw3";
const char* const kAesOwner = "aes-owner-Pw4";
const char* const kOwnerOnly = "owner-only-Pw5";
const char* const kWrong = "wrong-Pw6";

std::string Row(const std::string& file, const std::string& create) {
    return file + "; all; 0; Ready.; ; out.pdf; N; " + create + "; Y; N\r\r\n";
}

class CliPasswordTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakePlain("raw.pdf", 1);
        ASSERT_TRUE(test::EncryptPdf(dir / "raw.pdf", dir / "rc4.pdf", kRc4User, kRc4Owner, 128));
        MakePlain("raw.pdf", 2);
        ASSERT_TRUE(test::EncryptPdf(dir / "raw.pdf", dir / "aes.pdf", kAesUser, kAesOwner, 256));
        MakePlain("raw.pdf", 3);
        ASSERT_TRUE(test::EncryptPdf(dir / "raw.pdf", dir / "open.pdf", "", kOwnerOnly, 256));
        MakePlain("plain.pdf", 4);
        std::filesystem::remove(dir / "raw.pdf");
    }
    void MakePlain(const std::string& name, int pages) {
        ASSERT_TRUE(test::WriteFileBytes(dir / name, test::MakePdf(pages, name)));
    }
    // Every file under the folder but the password file: none may hold a
    // password, whether a run wrote it or not.
    void ExpectNoPasswordOnDisk(const test::CliResult& result) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
            if (!entry.is_regular_file() || entry.path().filename() == "pw.txt")
                continue;
            const std::string bytes = test::ReadFileBytes(entry.path().string());
            for (const char* password : {kRc4User, kRc4Owner, kAesUser, kAesOwner, kOwnerOnly})
                EXPECT_EQ(bytes.find(password), std::string::npos)
                    << password << " in " << entry.path();
        }
        for (const char* password : {kRc4User, kRc4Owner, kAesUser, kAesOwner, kOwnerOnly}) {
            EXPECT_THAT(result.out, ::testing::Not(HasSubstr(password)));
            EXPECT_THAT(result.err, ::testing::Not(HasSubstr(password)));
        }
    }

    CTempDir dir;
};

// The RC4 file's own line, then lone passwords: a wrong one and the AES
// file's owner password, tried in turn on the AES file. A source that
// repeats is opened with its remembered password.
TEST_F(CliPasswordTest, RunOpensEveryProtectedSourceFromThePasswordFile) {
    ASSERT_TRUE(test::WriteFileBytes(dir / "pw.txt", std::string("rc4.pdf\t") + kRc4User + "\r\n" +
                                                         kWrong + "\n\n" + kAesOwner + "\n"));
    ASSERT_TRUE(test::WriteFileBytes(
        dir / "job.app", Row("rc4.pdf", "Y") + Row("aes.pdf", "N") + Row("open.pdf", "N") +
                             Row("plain.pdf", "N") + Row("rc4.pdf", "N")));
    for (const bool isolated : {false, true}) {
        SCOPED_TRACE(isolated ? "isolated" : "in process");
        std::vector<std::string> args{"run"};
        if (isolated)
            args.push_back("--isolated");
        for (const char* arg : {"--password-file", "pw.txt", "job.app"})
            args.push_back(arg);
        const test::CliResult result = RunCli(args, dir.Path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(test::CountLines(result.out, "row 5: Done"), 1) << result.out;
        EXPECT_EQ(test::PdfInfoPages(dir / "out.pdf"), 1 + 2 + 3 + 4 + 1);
        ExpectNoPasswordOnDisk(result);
    }
}

TEST_F(CliPasswordTest, WithoutTheRightPasswordAProtectedSourceEndsTheRun) {
    ASSERT_TRUE(test::WriteFileBytes(dir / "pw.txt", std::string("aes.pdf\t") + kWrong + "\n"));
    ASSERT_TRUE(test::WriteFileBytes(dir / "job.app", Row("plain.pdf", "Y") + Row("aes.pdf", "N")));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"run", "job.app"},
          std::vector<std::string>{"run", "--password-file", "pw.txt", "job.app"}}) {
        const test::CliResult result = RunCli(args, dir.Path());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_THAT(result.err, HasSubstr("quorvel: Error Opening File : aes.pdf"));
        EXPECT_EQ(test::CountLines(result.out, "row 2: Processing"), 1) << result.out;
        EXPECT_EQ(test::CountLines(result.out, "row 2: Done"), 0) << result.out;
        // The first row's output stays as it was saved.
        EXPECT_EQ(test::PdfInfoPages(dir / "out.pdf"), 4);
    }
    EXPECT_EQ(RunCli({"run", "--password-file", "missing.txt", "job.app"}, dir.Path()).exitCode, 1);
    EXPECT_EQ(RunCli({"run", "--password-file"}, dir.Path()).exitCode, 2);
}

TEST_F(CliPasswordTest, PagesCountsProtectedFilesWithThePasswordFile) {
    const std::string corpusFile = test::CorpusDir() + "/qpdf-enc-XI-R6-V5-U-view-O-master.pdf";
    ASSERT_TRUE(
        test::WriteFileBytes(dir / "pw.txt", std::string("aes.pdf\t") + kAesUser + "\nview\n"));
    const test::CliResult with = RunCli(
        {"pages", "--password-file", "pw.txt", "aes.pdf", "rc4.pdf", "plain.pdf"}, dir.Path());
    EXPECT_EQ(with.out, "2\taes.pdf\n0\trc4.pdf\n4\tplain.pdf\n");
    EXPECT_THAT(with.err, HasSubstr("quorvel: Error Opening File : rc4.pdf"));
    EXPECT_EQ(with.exitCode, 1);
    if (test::PathExists(corpusFile)) {
        const test::CliResult corpus =
            RunCli({"pages", "--password-file", "pw.txt", corpusFile}, dir.Path());
        EXPECT_EQ(corpus.out, "30\t" + corpusFile + "\n");
        EXPECT_EQ(corpus.exitCode, 0);
    }
    ExpectNoPasswordOnDisk(with);
}

} // namespace
} // namespace quorvel
