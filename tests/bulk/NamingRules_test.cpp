#include "bulk/FolderWalk.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(NamingRulesTest, GroupedOutputPath) {
    struct Case {
        const char* outputDir;
        const char* suffix;
        const char* source;
        const char* expected;
    } cases[] = {
        {"/out", "_2003", "/in/1/test.pdf", "/out/test_2003.pdf"},
        {"/out", "_2003", "/in/test.PDF", "/out/test_2003.pdf"},
        {"/out", "", "/in/my.pdf.copy.pdf", "/out/my.copy.pdf"},
        {"/out", "_s", "/in/a.PDF.pdf", "/out/a_s.pdf"},
        // Other case mixtures stay.
        {"/out", "_s", "/in/Report.Pdf", "/out/Report.Pdf_s.pdf"},
        // The output folder's own ".pdf" goes too.
        {"/d/x.pdf/out", "_2003", "/in/test.pdf", "/d/x/out/test_2003.pdf"},
        {"", "_2003", "/in/test.pdf", "/test_2003.pdf"},
        {"/out/", "", "/in/t.pdf", "/out/t.pdf"},
        // One pass: pieces that meet after a removal are not removed again.
        {"/o", "", "/in/a.p.pdfdf.pdf", "/o/a.pdf.pdf"},
        {"/o", "_x", "/in/x.pdf/notes.txt", "/o/notes.txt_x.pdf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GroupedOutputPath(c.outputDir, c.suffix, c.source), c.expected) << c.source;
}

TEST(NamingRulesTest, PartNameOutputPath) {
    struct Case {
        int n;
        const char* source;
        const char* expected;
    } cases[] = {
        {5, "/in/12345_1.pdf", "/out/12345.pdf"},
        {5, "/in/1234X_1.pdf", "/out/1234X.pdf"},
        {0, "/in/12345_1.pdf", "/out/.pdf"},
        {3, "/in/ABC_1.pdf", "/out/ABC.pdf"},
        {3, "/in/abc_2.pdf", "/out/abc.pdf"},
        // The title keeps its extension, so a long n keeps it too.
        {100, "/in/ab.pdf", "/out/ab.pdf.pdf"},
        {6, "/in/ab.pdf", "/out/ab.pdf.pdf"},
        {-1, "/in/ab.pdf", "/out/ab.pdf.pdf"},
        {-2147483647 - 1, "/in/ab.pdf", "/out/ab.pdf.pdf"},
        // A cut inside a multi-byte character takes the whole character, so
        // names starting with different characters stay apart.
        {1, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9.pdf"},
        {2, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9.pdf"},
        {3, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9\xC3\xA9.pdf"},
        {4, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9\xC3\xA9.pdf"},
        {1, "/in/\xE6\x97\xA5\xE6\x9C\xAC.pdf", "/out/\xE6\x97\xA5.pdf"},
        {4, "/in/\xE6\x97\xA5\xE6\x9C\xAC.pdf", "/out/\xE6\x97\xA5\xE6\x9C\xAC.pdf"},
        {1, "/in/\xF0\x9F\x93\x84x.pdf", "/out/\xF0\x9F\x93\x84.pdf"},
        {3, "/in/ab\xF0\x9F\x93\x84.pdf", "/out/ab\xF0\x9F\x93\x84.pdf"},
        {0, "/in/\xC3\xA9.pdf", "/out/.pdf"},
        // Bytes that are no valid UTF-8 are cut where asked.
        {1, "/in/\x80\x80x.pdf", "/out/\x80.pdf"},
        {1, "/in/\xC3(x.pdf", "/out/\xC3.pdf"},
        {2, "/in/a\xE6\x97", "/out/a\xE6.pdf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PartNameOutputPath("/out", c.n, c.source), c.expected) << c.n << " " << c.source;
    EXPECT_EQ(PartNameOutputPath("/", 2, "/in/abc.pdf"), "/ab.pdf");
}

TEST(NamingRulesTest, PathHelpers) {
    EXPECT_EQ(RemoveTrailingSeparators("/a/b///"), "/a/b");
    EXPECT_EQ(RemoveTrailingSeparators("///"), "/");
    EXPECT_EQ(RemoveTrailingSeparators(""), "");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "/b");
    EXPECT_EQ(FileTitle("/a/b.pdf"), "b.pdf");
    EXPECT_EQ(FileTitle("b.pdf"), "b.pdf");

    struct Case {
        const char* path;
        bool passes;
    } cases[] = {{"/a/b.pdf", true},     {"/a/B.PDF", true},       {"/a/c.Pdf", true},
                 {"/A.PDF/notes", true}, {"/a/b.pdfx", true},      {"/a/b.pd", false},
                 {"/a/b_pdf", false},    {"/a/\xC3\x89.PDF", true}};
    for (const auto& c : cases)
        EXPECT_EQ(PassesExtensionTest(c.path, kPdfExtension), c.passes) << c.path;
}
