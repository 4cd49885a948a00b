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
        // A multi-byte character is taken whole or not at all.
        {1, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/.pdf"},
        {3, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9.pdf"},
        {4, "/in/\xC3\xA9\xC3\xA9.pdf", "/out/\xC3\xA9\xC3\xA9.pdf"},
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
