// quorvel-cli run when the disk fails it: a full or read-only file system
// under the output or the move folder, and a source that is gone by the time
// its row runs. A failed save must leave the previous output as it was and end
// the run with its message; a failed move must keep the source.
//
// The small file systems are tmpfs mounts made by the test, which needs root
// (or CAP_SYS_ADMIN); elsewhere these tests skip.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "engine/RunMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

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
using ::testing::UnorderedElementsAreArray;

constexpr double kTimeLimitSeconds = 60;

// A one-page PDF of about `imageBytes` bytes: the page shows an image of
// random samples, which no compression makes smaller.
std::string MakeBulkyPdf(size_t imageBytes) {
    std::mt19937 random(7);
    std::string samples(imageBytes - imageBytes % 3, '\0');
    for (char& c : samples)
        c = static_cast<char>(random() & 0xFF);
    const size_t width = samples.size() / 3;
    const std::string content = "q 100 0 0 100 0 0 cm /Im0 Do Q";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im0 "
        "5 0 R >> >> /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) +
            " /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
            std::to_string(samples.size()) + " >>\nstream\n" + samples + "\nendstream",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    return names;
}

// A 300 KB tmpfs mounted on a fresh folder for as long as the object lives.
class CSmallDisk {
public:
    explicit CSmallDisk(const std::string& folder) : m_strFolder(folder) {
        ::mkdir(folder.c_str(), 0755);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=300k") == 0)
            m_bMounted = true;
        else
            m_strError = std::strerror(errno);
    }
    ~CSmallDisk() {
        if (m_bMounted)
            ::umount2(m_strFolder.c_str(), MNT_DETACH);
    }
    CSmallDisk(const CSmallDisk&) = delete;
    CSmallDisk& operator=(const CSmallDisk&) = delete;

    bool m_bMounted = false;
    std::string m_strFolder, m_strError;
};

class WriteFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CliHasCommand("run") || !test::CliHasCommand("pages"))
            GTEST_SKIP() << "this quorvel-cli has no run and pages commands";
    }

    // Mounts a small disk at dir/"small" (replacing an earlier one); skips
    // the test where mounting is refused.
    void MountSmallDisk() {
        m_disk.reset();
        m_strMount = dir / (m_nDisks++ == 0 ? "small" : "small" + std::to_string(m_nDisks));
        m_disk = std::make_unique<CSmallDisk>(m_strMount);
        if (!m_disk->m_bMounted)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << m_disk->m_strError
                         << "): these tests need root or CAP_SYS_ADMIN";
    }
    void MakeReadOnly() {
        ASSERT_EQ(
            ::mount(nullptr, m_strMount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=300k"), 0)
            << std::strerror(errno);
    }
    // Fills the small disk to the last byte with the file "filler".
    void FillDisk() {
        int fd = ::open((m_strMount + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "x", 1) > 0) {
        }
        ::close(fd);
    }
    // Runs `rows` (batch lines) in dir as the working folder.
    CliResult Run(const std::string& rows) {
        EXPECT_TRUE(WriteFileBytes(dir / "job.app", rows));
        CliResult r = RunCli({"run", "job.app"}, dir.Path(), kTimeLimitSeconds);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.termSignal, 0);
        return r;
    }
    // A complete earlier output on the small disk, written by a run.
    std::string PreviousOutput() {
        EXPECT_TRUE(WriteFileBytes(dir / "first.pdf", test::MakePdf(2, "first")));
        const std::string output = m_strMount + "/o.pdf";
        CliResult r = Run(BatchLine(dir / "first.pdf", "all", "", output, "N", "Y"));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return ReadFileBytes(output);
    }

    CTempDir dir; // declared first: it goes after the disks mounted in it
    std::unique_ptr<CSmallDisk> m_disk;
    std::string m_strMount;
    int m_nDisks = 0;
};

TEST_F(WriteFaultsTest, SaveOnAFullDiskKeepsThePreviousOutput) {
    MountSmallDisk();
    const std::string output = m_strMount + "/o.pdf";
    const std::string previous = PreviousOutput();
    ASSERT_FALSE(previous.empty());
    ASSERT_TRUE(WriteFileBytes(dir / "bulky.pdf", MakeBulkyPdf(400 * 1024)));

    CliResult r = Run(BatchLine(dir / "bulky.pdf", "all", "", output, "N", "N"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "row 1: Processing\n");
    EXPECT_EQ(r.err, AppMessage(RunMessages::kFailedToSaveFile + output));
    EXPECT_EQ(ReadFileBytes(output), previous);
    EXPECT_THAT(FolderNames(m_strMount), UnorderedElementsAreArray({"o.pdf"}))
        << "a failed save leaves no temporary file";
    EXPECT_THAT(ReadFileBytes(dir / "append.log"), ::testing::Not(HasSubstr("bulky.pdf")))
        << "only saved appends are logged";
}

TEST_F(WriteFaultsTest, SaveIntoAReadOnlyFolderKeepsThePreviousOutput) {
    MountSmallDisk();
    const std::string output = m_strMount + "/o.pdf";
    const std::string previous = PreviousOutput();
    ASSERT_FALSE(previous.empty());
    MakeReadOnly();
    ASSERT_TRUE(WriteFileBytes(dir / "s.pdf", test::MakePdf(1)));

    // Appending: the save fails.
    CliResult r = Run(BatchLine(dir / "s.pdf", "all", "", output, "N", "N"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, AppMessage(RunMessages::kFailedToSaveFile + output));
    EXPECT_EQ(ReadFileBytes(output), previous);

    // Creating anew: the old file cannot be removed, which ends the run first.
    r = Run(BatchLine(dir / "s.pdf", "all", "", output, "N", "Y"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, AppMessage(RunMessages::kUnableToRemoveFile + output +
                                RunMessages::kUnableToRemoveFileTail));
    EXPECT_EQ(ReadFileBytes(output), previous);
    EXPECT_THAT(FolderNames(m_strMount), UnorderedElementsAreArray({"o.pdf"}));
}

TEST_F(WriteFaultsTest, MoveFolderThatCannotTakeTheSourceKeepsIt) {
    struct Case {
        const char* name;
        bool readOnly;
    };
    for (const Case c : {Case{"full", false}, Case{"read-only", true}}) {
        SCOPED_TRACE(c.name);
        MountSmallDisk();
        if (IsSkipped())
            return;
        FillDisk();
        if (c.readOnly)
            MakeReadOnly();
        const std::string source = dir / "s.pdf";
        const std::string bytes = test::MakePdf(3, "moved");
        ASSERT_TRUE(WriteFileBytes(source, bytes));

        CliResult r = Run(BatchLine(source, "all", m_strMount, dir / "o.pdf", "N", "Y"));
        // The move is not the run's concern: the row is done all the same.
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\n");
        EXPECT_EQ(ReadFileBytes(source), bytes) << "the source must stay where it was";
        EXPECT_THAT(FolderNames(m_strMount), UnorderedElementsAreArray({"filler"}))
            << "nothing half-copied is left in the move folder";
        EXPECT_EQ(test::QpdfPages(dir / "o.pdf"), 3);
    }
}

TEST_F(WriteFaultsTest, SourceGoneWhenItsRowRunsEndsTheRunWithItsName) {
    // The first row moves the source away after its append, so the second
    // row, whose page count was taken when the batch was loaded, finds it gone.
    const std::string source = dir / "s.pdf";
    ASSERT_TRUE(WriteFileBytes(source, test::MakePdf(2)));
    ASSERT_EQ(::mkdir((dir / "moved").c_str(), 0755), 0);
    CliResult r = Run(BatchLine(source, "all", dir / "moved", dir / "o.pdf", "N", "Y") +
                      BatchLine(source, "all", "", dir / "o.pdf", "N", "N"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\nrow 2: Processing\n");
    EXPECT_EQ(r.err, AppMessage(RunMessages::kErrorOpeningFile + source));
    EXPECT_EQ(test::QpdfPages(dir / "o.pdf"), 2) << "the first row's output stays";
    EXPECT_TRUE(test::PathExists(dir / "moved/s.pdf"));
}

TEST_F(WriteFaultsTest, OutputFolderThatCannotBeMadeFailsTheSave) {
    ASSERT_TRUE(WriteFileBytes(dir / "s.pdf", test::MakePdf(1)));
    // Only one folder level is created: a missing parent stays missing.
    const std::string output = dir / "no/such/o.pdf";
    CliResult r = Run(BatchLine(dir / "s.pdf", "all", "", output, "N", "Y"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, AppMessage(RunMessages::kFailedToSaveFile + output));
    EXPECT_FALSE(test::PathExists(dir / "no/such"));
}

} // namespace
} // namespace quorvel
