// Every file of the real-world corpus through every way quorvel-cli reads a
// source: the page count ("pages"), a one-row append ("run") and a padding
// file named in setup.ini. Each run must end by itself within its time limit,
// never by a signal, leave its source byte for byte as it was, and either
// write an output that qpdf accepts with the right page count or end with the
// message the run gives for a file it cannot use.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "engine/RunMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>

namespace quorvel {
namespace {

using test::AppMessage;
using test::CliResult;
using test::CTempDir;
using test::ManifestRow;
using test::RunCli;
using ::testing::HasSubstr;

constexpr double kTimeLimitSeconds = 60;

// What quorvel-cli makes of one corpus file.
struct Expected {
    int probePages;               // what "pages" prints (0: no count)
    std::optional<int> copyPages; // pages the document server copies; none: it cannot open it
    std::string why;              // for files whose outcome the manifest does not tell
};

// Files for which the manifest's two page columns do not say what happens.
// Everything else: the library's count (pdfinfo's column) and the same count
// copied.
const std::map<std::string, Expected>& Exceptions() {
    static const std::map<std::string, Expected> table = {
        {"derived-truncated-standard_fonts-50pct.pdf",
         {0, std::nullopt, "page tree lost: neither library can read it"}},
        {"pdfjs-issue15590.pdf", {0, std::nullopt, "no page tree: neither library finds a page"}},
        {"pdfjs-issue9418.pdf", {0, std::nullopt, "damaged beyond repair"}},
        {"pdfjs-issue3371.pdf", {0, std::nullopt, "needs a password"}},
        {"qpdf-enc-XI-R6-V5-U-view-O-master.pdf", {0, std::nullopt, "needs a password"}},
        {"qpdf-empty.pdf", {0, 0, "a valid document without pages: nothing to copy"}},
        {"pdfjs-poppler-67295-0.pdf",
         {1, 1, "/Count 9999999999: the PDF library gives no count, the server counts the page"}},
        {"pdfjs-issue19484_1.pdf",
         {1, std::nullopt, "broken encryption: counted by the PDF library, refused by the server"}},
        {"qpdf-recover-xref-stream.pdf", {1, std::nullopt, "only the PDF library reads it"}},
        {"qpdf-pages-is-page.pdf", {1, std::nullopt, "only the PDF library reads its page tree"}},
        {"qpdf-pages-loop.pdf",
         {1, std::nullopt, "a loop in the page tree: the server refuses it"}},
        {"qpdf-shared-unnamed-field.pdf", {1, 1, "pdfinfo stalls on its form fields"}},
    };
    return table;
}

Expected ExpectedFor(const ManifestRow& row) {
    if (auto it = Exceptions().find(row.file); it != Exceptions().end())
        return it->second;
    const int pages = std::atoi(row.pagesPdfinfo.c_str());
    return {pages, pages, ""};
}

} // namespace
} // namespace quorvel

namespace quorvel::test {
// Test names and failures show the file, not the bytes of the row.
void PrintTo(const ManifestRow& row, std::ostream* os) {
    *os << row.file;
}
} // namespace quorvel::test

namespace quorvel {
namespace {

std::vector<ManifestRow> CorpusRows() {
    std::vector<ManifestRow> rows = test::ReadManifest();
    if (rows.empty())
        rows.push_back({}); // one case that reports the missing corpus
    return rows;
}

std::string CaseName(const ::testing::TestParamInfo<ManifestRow>& info) {
    std::string name = info.param.file.empty() ? "CorpusMissing" : info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class CorpusTest : public ::testing::TestWithParam<ManifestRow> {
protected:
    void SetUp() override {
        if (!test::CliHasCommand("run") || !test::CliHasCommand("pages"))
            GTEST_SKIP() << "this quorvel-cli has no run and pages commands";
        if (GetParam().file.empty())
            GTEST_SKIP() << "no corpus at " << test::CorpusDir()
                         << " (set PDF_CORPUS_DIR to a folder with MANIFEST.tsv)";
        // The run reads a copy, so a fault that writes to its source cannot
        // damage the shared corpus; the copy is then compared with the original.
        m_strOriginal = test::ReadFileBytes(test::CorpusDir() + "/" + GetParam().file);
        ASSERT_FALSE(m_strOriginal.empty()) << GetParam().file;
        m_strSource = dir / GetParam().file;
        ASSERT_TRUE(test::WriteFileBytes(m_strSource, m_strOriginal));
        expected = ExpectedFor(GetParam());
    }

    // A run that ended by itself, not by a signal or the time limit.
    void ExpectEndedByItself(const CliResult& r, const std::string& what) {
        EXPECT_FALSE(r.timedOut) << what << " ran past " << kTimeLimitSeconds << " s";
        EXPECT_EQ(r.termSignal, 0) << what << " was ended by signal " << r.termSignal;
        EXPECT_GE(r.exitCode, 0) << what;
        EXPECT_EQ(test::ReadFileBytes(m_strSource), m_strOriginal) << what << " changed its source";
    }

    // qpdf finds nothing wrong with the output, or (for a damaged source) no
    // more than warnings about stream data copied as the source holds it.
    void ExpectCheckPasses(const std::string& output) {
        const int check = test::QpdfCheck(output);
        if (GetParam().qpdfCheck == "ok")
            EXPECT_EQ(check, 0) << "qpdf --check of the output of " << GetParam().file;
        else
            EXPECT_TRUE(check == 0 || check == 3)
                << "qpdf --check of the output of " << GetParam().file << " gave " << check;
    }

    CTempDir dir;
    std::string m_strSource, m_strOriginal;
    Expected expected{};
};

TEST_P(CorpusTest, PagesPrintsTheCountOrReportsTheFile) {
    CliResult r = RunCli({"pages", m_strSource}, dir.Path(), kTimeLimitSeconds);
    ExpectEndedByItself(r, "pages");
    EXPECT_EQ(r.out, std::to_string(expected.probePages) + "\t" + m_strSource + "\n")
        << expected.why;
    EXPECT_EQ(r.exitCode, expected.probePages > 0 ? 0 : 1);
    if (expected.probePages > 0) {
        EXPECT_EQ(r.err, "");
    } else if (!expected.copyPages) {
        EXPECT_EQ(r.err, AppMessage(RunMessages::kErrorOpeningFile + m_strSource));
    }
}

TEST_P(CorpusTest, OneRowAppendWritesAValidOutputOrReportsTheSource) {
    ASSERT_TRUE(
        test::WriteFileBytes(dir / "job.app", test::BatchLine(m_strSource, "all", "",
                                                              dir / "out/o.pdf", "Y", "Y", "Y")));
    CliResult r = RunCli({"run", "job.app"}, dir.Path(), kTimeLimitSeconds);
    ExpectEndedByItself(r, "run");
    const std::string output = dir / "out/o.pdf";
    if (!expected.copyPages) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err, HasSubstr(AppMessage(RunMessages::kErrorOpeningFile + m_strSource)));
        EXPECT_FALSE(test::PathExists(output));
        return;
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\n");
    ExpectCheckPasses(output);
    EXPECT_EQ(test::QpdfPages(output), expected.probePages) << expected.why;
}

TEST_P(CorpusTest, AsPaddingFileItIsAppendedWholeOrReported) {
    ASSERT_TRUE(test::WriteFileBytes(dir / "one.pdf", test::MakePdf(1)));
    ASSERT_TRUE(
        test::WriteFileBytes(dir / "setup.ini", test::SetupIni(m_strSource, "", m_strSource)));
    ASSERT_TRUE(test::WriteFileBytes(dir / "job.app",
                                     test::BatchLine("one.pdf", "all", "", "o.pdf", "N", "Y")));
    CliResult r = RunCli({"run", "job.app"}, dir.Path(), kTimeLimitSeconds);
    ExpectEndedByItself(r, "run with padding");
    if (!expected.copyPages) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, AppMessage(RunMessages::kErrorOpeningFile + m_strSource));
        EXPECT_FALSE(test::PathExists(dir / "o.pdf"));
        return;
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ExpectCheckPasses(dir / "o.pdf");
    // One page, odd: the ODDEVERY file follows; then the ONEACH file always.
    EXPECT_EQ(test::QpdfPages(dir / "o.pdf"), 1 + 2 * *expected.copyPages) << expected.why;
}

INSTANTIATE_TEST_SUITE_P(Manifest, CorpusTest, ::testing::ValuesIn(CorpusRows()), CaseName);

} // namespace
} // namespace quorvel
