#include "cli/CliRun.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poppler-document.h>

using quorvel::test::RunCli;

namespace {

namespace fs = std::filesystem;

// A one-page PDF; its cross-reference table is left for the reader to rebuild.
const char* const kOnePagePdf = "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                                "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                                "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>endobj\n"
                                "trailer<</Root 1 0 R>>\n%%EOF\n";

// A scratch folder with a small tree of sources, removed afterwards.
class ScanCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/quorvel-scan-XXXXXX";
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        m_root = templ;
        for (const char* f : {"in/1/test.pdf", "in/2/test.pdf", "in/Report.Pdf", "in/a_06.pdf",
                              "in/.skip/z.pdf", "in/b_06.PDF"})
            Write(f, "%PDF-1.4\n");
        Write("in/real.pdf", kOnePagePdf);
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string Write(const std::string& rel, const std::string& content) {
        const fs::path p = fs::path(m_root) / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string In() const { return m_root + "/in"; }

    std::string m_root;
};

std::string Line(const std::string& file, const std::string& output, const char* create,
                 const char* pages = "0") {
    return file + "; all; " + pages + "; Ready.; ; " + output + "; N; " + create + "; Y; N\r\r\n";
}

} // namespace

TEST_F(ScanCliTest, VariantsWriteBatchLinesInWalkOrder) {
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"scan", "group", "--output-dir", "/o", "--suffix", "_x", In()},
         Line(In() + "/1/test.pdf", "/o/test_x.pdf", "N") +
             Line(In() + "/2/test.pdf", "/o/test_x.pdf", "N") +
             Line(In() + "/a_06.pdf", "/o/a_06_x.pdf", "N") +
             Line(In() + "/b_06.PDF", "/o/b_06_x.pdf", "N") +
             Line(In() + "/real.pdf", "/o/real_x.pdf", "N", "1")},
        {{"scan", "one", "--output", "/o/all.pdf", "--contains", "_06", In() + "/"},
         Line(In() + "/a_06.pdf", "/o/all.pdf", "Y") + Line(In() + "/b_06.PDF", "/o/all.pdf", "N")},
        {{"scan", "one", "--keep-existing", "--output", "/o/all.pdf", In()},
         Line(In() + "/1/test.pdf", "/o/all.pdf", "N") +
             Line(In() + "/2/test.pdf", "/o/all.pdf", "N") +
             Line(In() + "/a_06.pdf", "/o/all.pdf", "N") +
             Line(In() + "/b_06.PDF", "/o/all.pdf", "N") +
             Line(In() + "/real.pdf", "/o/all.pdf", "N", "1")},
        {{"scan", "part", "--output-dir", "/o", "--chars", " 2 ", In()},
         Line(In() + "/1/test.pdf", "/o/te.pdf", "N") +
             Line(In() + "/2/test.pdf", "/o/te.pdf", "N") +
             Line(In() + "/a_06.pdf", "/o/a_.pdf", "N") +
             Line(In() + "/b_06.PDF", "/o/b_.pdf", "N") +
             Line(In() + "/real.pdf", "/o/re.pdf", "N", "1")},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 0) << c.args[1] << r.err;
        EXPECT_EQ(r.out, c.expected) << c.args[1];
        EXPECT_EQ(r.err, "quorvel: Bulk Files Loaded\n");
    }
}

TEST_F(ScanCliTest, NamesTheBatchFormatCannotHoldAreLeftOutAndNamed) {
    // Names in the order file managers show them; two that a batch line
    // cannot hold are named on standard error, the others written.
    const std::string top = m_root + "/names";
    for (const char* f :
         {"Zed.pdf", "apple.pdf", "semi;colon.pdf", "new\nline.pdf", "INV_1.pdf", "inv_0.pdf"})
        Write(std::string("names/") + f, "%PDF-1.4\n");
    const auto r = RunCli({"scan", "one", "--keep-existing", "--output", "/o/all.pdf", top});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, Line(top + "/apple.pdf", "/o/all.pdf", "N") +
                         Line(top + "/inv_0.pdf", "/o/all.pdf", "N") +
                         Line(top + "/INV_1.pdf", "/o/all.pdf", "N") +
                         Line(top + "/Zed.pdf", "/o/all.pdf", "N"));
    EXPECT_EQ(r.err, "Not saved in the batch file: " + top + "/new\\nline.pdf\n" +
                         "Not saved in the batch file: " + top + "/semi;colon.pdf\n" +
                         "quorvel: Bulk Files Loaded\n");
}

TEST_F(ScanCliTest, RelativeFolderIsResolvedAgainstTheWorkingFolder) {
    const auto r = RunCli({"scan", "one", "--output", "o.pdf", "--contains", "a_", "in"}, m_root);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Line(In() + "/a_06.pdf", "o.pdf", "Y"));
}

TEST_F(ScanCliTest, ListVariantReadsTheListFile) {
    const std::string list = Write("jobs.lst", ";c\r\n/x/a.pdf\r\n/x/b.txt\r\n/x/c.PDF\r\n");
    auto r = RunCli({"scan", "list", "--output", "/o/l.pdf", list});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "/x/a.pdf; all; 0; Ready.; ; /o/l.pdf; N; Y; Y; N\r\r\n"
                     "/x/c.PDF; all; 0; Ready.; ; /o/l.pdf; N; N; Y; N\r\r\n");
    EXPECT_EQ(r.err, "quorvel: Bulk list loaded\n");
    r = RunCli({"scan", "list", "--keep-existing", "--output", "/o/l.pdf", list});
    EXPECT_EQ(r.out.find("; Y; Y; N"), std::string::npos);
}

TEST_F(ScanCliTest, ErrorsPrintTheMessageAndFail) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    } cases[] = {
        {{"scan", "list", "--output", "o.pdf", m_root + "/none.lst"},
         1,
         "Can't read job parameters file.: " + m_root + "/none.lst\n"},
        {{"scan", "group", "--output-dir", "/o", "--suffix", "", m_root + "/none"},
         1,
         "quorvel: The folder:\n\n" + m_root + "/none\n\nis invalid. Please reenter.\n"},
        {{"scan", "part", "--output-dir", "/o", "--chars", "12a", In()},
         1,
         "quorvel: Please enter an integer.\n"},
    };
    for (const auto& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1];
        EXPECT_EQ(r.err, c.err) << c.args[1];
        EXPECT_EQ(r.out, "") << c.args[1];
    }
    EXPECT_FALSE(fs::exists(m_root + "/none.lst"));
    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{"scan"},
          {"scan", "group", "--suffix", "x", In()},
          {"scan", "one", "--output", "o.pdf", In(), "extra"},
          {"scan", "part", "--output-dir", "/o", "--chars", "2", "--keep-existing", In()},
          {"scan", "sideways", In()}})
        EXPECT_EQ(RunCli(usage).exitCode, 2) << usage.size();
}

TEST(ScanCliPipelineTest, ScanOutputRunsAsABatchFile) {
    quorvel::test::CTempDir dir;
    struct Source {
        const char* name;
        int pages;
    } sources[] = {{"tree/1/test.pdf", 2}, {"tree/2/test.pdf", 3}, {"tree/2/other.PDF", 1}};
    fs::create_directories(dir / "tree/1");
    fs::create_directories(dir / "tree/2");
    fs::create_directories(dir / "out");
    for (const auto& s : sources) {
        ASSERT_TRUE(
            quorvel::test::WriteFileBytes(dir / "raw.pdf", quorvel::test::MakePdf(s.pages)));
        ASSERT_TRUE(
            quorvel::test::RunCommand("qpdf '" + (dir / "raw.pdf") + "' '" + (dir / s.name) + "'"));
    }
    const auto scan =
        RunCli({"scan", "group", "--output-dir", dir / "out", "--suffix", "_g", dir / "tree"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    // Page counts come from the PDF library.
    EXPECT_NE(scan.out.find("/tree/1/test.pdf; all; 2; Ready.;"), std::string::npos) << scan.out;
    ASSERT_TRUE(quorvel::test::WriteFileBytes(dir / "jobs.app", scan.out));

    const auto run = RunCli({"run", "jobs.app"}, dir.Path());
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    auto pages = [&](const std::string& name) {
        std::unique_ptr<poppler::document> doc(
            poppler::document::load_from_file(dir / name, "", ""));
        return doc ? doc->pages() : -1;
    };
    // Both test.pdf files went into one grouped output, in walk order.
    EXPECT_EQ(pages("out/test_g.pdf"), 5);
    EXPECT_EQ(pages("out/other_g.pdf"), 1);
}
