#include "pdfserver/ServerFixture.h"

#include "pdfserver/PdfDocument.h"
#include "pdfserver/ServerState.h"

#include <gmock/gmock.h>
#include <qpdf/QPDFWriter.hh>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quorvel::test {
namespace {

using ::testing::ElementsAre;

class SaveTest : public ServerFixture {};

TEST_F(SaveTest, ReplacesTheFileTheDocumentWasOpenedFrom) {
    std::string path = (m_dir / "out.pdf");
    WriteSource(path, SourcePlan{});
    auto out = Open(path);
    ASSERT_EQ(out->InsertPages(2, Open(Source("B", 2)), 0, 2, 0), 1);
    SaveAndCheck(*out, path, 5);
    // The saved document goes on working: it now reads the written file.
    ASSERT_EQ(out->InsertPages(-1, Open(Source("C", 1)), 0, 1, 0), 1);
    SaveAndCheck(*out, path, 6);
    EXPECT_THAT(PageTexts(path), ElementsAre("src C page 1", "src A page 1", "src A page 2",
                                             "src A page 3", "src B page 1", "src B page 2"));
    EXPECT_THAT(ListFolder(m_dir.Path()),
                ::testing::Not(::testing::Contains(::testing::StartsWith(".out"))));
}

TEST_F(SaveTest, FailsWithoutTouchingTheTargetWhenItCannotWrite) {
    std::string path = (m_dir / "out.pdf");
    WriteSource(path, SourcePlan{});
    const std::string before = ReadFileBytes(path);
    auto doc = Open(Source("B", 40));

    // No such folder; a folder in the target's place; a closed document.
    EXPECT_EQ(doc->Save(0x21, (m_dir / "missing/out.pdf")), 0);
    EXPECT_EQ(doc->Save(0x21, m_dir.Path()), 0);
    EXPECT_EQ(doc->Save(0x21, ""), 0);
    EXPECT_EQ(NewPDDoc()->Save(0x21, path), 0);

    // The disk fills up halfway through the file.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    int saved = doc->Save(0x21, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(ReadFileBytes(path), before);

    if (geteuid() != 0) {
        chmod(m_dir.Path().c_str(), 0555);
        EXPECT_EQ(doc->Save(0x21, path), 0);
        chmod(m_dir.Path().c_str(), 0755);
        EXPECT_EQ(ReadFileBytes(path), before);
    }
    // No temporary file is left behind, and the document can still be saved.
    EXPECT_EQ(ListFolder(m_dir.Path()).size(), m_sources.size() + 1);
    SaveAndCheck(*doc, path, 40);
}

TEST_F(SaveTest, KeepsUnreferencedObjectsOnlyWithoutTheCleanUpFlag) {
    // A file holding an object that nothing refers to.
    std::string path = (m_dir / "orphan.pdf");
    {
        QPDF pdf;
        pdf.processFile(Source("A", 2).c_str());
        pdf.makeIndirectObject(QPDFObjectHandle::newString("orphan marker"));
        QPDFWriter writer(pdf, path.c_str());
        writer.setPreserveUnreferencedObjects(true);
        writer.write();
    }
    ASSERT_NE(ReadFileBytes(path).find("orphan marker"), std::string::npos);
    auto doc = Open(path);
    std::string plain = (m_dir / "plain.pdf");
    std::string clean = (m_dir / "clean.pdf");
    ASSERT_EQ(doc->Save(0x01, plain), 1);
    EXPECT_NE(ReadFileBytes(plain).find("orphan marker"), std::string::npos);
    ASSERT_EQ(doc->Save(0x21, clean), 1);
    EXPECT_EQ(ReadFileBytes(clean).find("orphan marker"), std::string::npos);
    EXPECT_EQ(PageTexts(clean), PageTexts(path));
}

// qpdf reads copied stream data from the source file only when the target is
// written, so the source must outlive the client's Close.
TEST_F(SaveTest, WritesPagesOfSourcesClosedAndDeletedBeforeTheSave) {
    std::string path = (m_dir / "out.pdf");
    auto out = Created();
    auto source = NewPDDoc();
    for (std::string name : {"A", "B", "C"}) {
        std::string copy = (m_dir / "gone-" + name + ".pdf");
        SourcePlan plan;
        plan.name = name;
        plan.pages = 2;
        WriteSource(copy, plan);
        ASSERT_EQ(source->Open(copy), 1);
        ASSERT_EQ(out->InsertPages(out->GetNumPages() - 1, source, 0, 2, 0), 1);
        ASSERT_EQ(source->Close(), 1);
        std::remove(copy.c_str());
    }
    source.reset();
    SaveAndCheck(*out, path, 6);
    EXPECT_THAT(PageTexts(path), ElementsAre("src A page 1", "src A page 2", "src B page 1",
                                             "src B page 2", "src C page 1", "src C page 2"));
}

TEST_F(SaveTest, ReleasesSourcesOnceTheTargetIsWritten) {
    CServerState state;
    auto out = state.NewDocument();
    ASSERT_TRUE(out->Create());
    for (std::string name : {"A", "B"}) {
        auto source = state.NewDocument();
        ASSERT_TRUE(source->Open(Source(name, 2)));
        ASSERT_TRUE(out->InsertPages(out->GetNumPages() - 1, *source, 0, 2, false));
        source->Close();
    }
    EXPECT_EQ(state.LiveInstanceCount(), 3); // the target and both sources
    ASSERT_TRUE(out->Save(0x21, (m_dir / "out.pdf")));
    EXPECT_EQ(state.LiveInstanceCount(), 1); // the target, read from its file
    out->Close();
    // Kept for the next Open of the file it wrote, until all is closed.
    EXPECT_EQ(state.LiveInstanceCount(), 1);
    state.CloseAll();
    EXPECT_EQ(state.LiveInstanceCount(), 0);
}

TEST_F(SaveTest, TracksWhatChangedSinceTheFileWasRead) {
    CServerState state;
    std::string path = (m_dir / "out.pdf");
    WriteSource(path, SourcePlan{});
    auto out = state.NewDocument();
    ASSERT_TRUE(out->Open(path));
    EXPECT_TRUE(out->GetChangedObjects().empty());

    QPDF& pdf = out->GetInstance()->pdf;
    auto catalog = pdf.getRoot().getObjGen();
    auto pagesRoot = pdf.getRoot().getKey("/Pages").getObjGen();
    auto firstContents = QPDFObjectHandle(pdf.getAllPages()[0]).getKey("/Contents").getObjGen();
    auto source = state.NewDocument();
    ASSERT_TRUE(source->Open(Source("B", 2)));
    ASSERT_TRUE(out->InsertPages(0, *source, 0, 1, false));
    ASSERT_TRUE(out->AddBookmark("Untitled", 1));
    auto newPage = QPDFObjectHandle(pdf.getAllPages()[1]).getObjGen();

    auto changed = out->GetChangedObjects();
    EXPECT_TRUE(changed.count(catalog));
    EXPECT_TRUE(changed.count(pagesRoot));
    EXPECT_TRUE(changed.count(newPage));
    EXPECT_FALSE(changed.count(firstContents));

    ASSERT_TRUE(out->Save(0x21, path));
    EXPECT_TRUE(out->GetChangedObjects().empty());
}

} // namespace
} // namespace quorvel::test

namespace quorvel::test {
namespace {

// Timing only, run by hand with --gtest_also_run_disabled_tests: the append
// run's pattern (open the output, open a source, insert, close the source,
// save, close the output) for 100 five-page sources.
TEST_F(SaveTest, DISABLED_AppendsHundredSourcesOneByOne) {
    std::vector<std::string> sources;
    for (int i = 0; i < 100; ++i) {
        SourcePlan plan;
        plan.name = "S" + std::to_string(i);
        plan.pages = 5;
        plan.outline = true;
        sources.push_back(Source(plan));
    }
    std::string path = m_dir / "out.pdf";
    auto source = NewPDDoc();
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < sources.size(); ++i) {
        auto out = NewPDDoc();
        if (i == 0) {
            out->Create();
        } else {
            ASSERT_EQ(out->Open(path), 1);
        }
        ASSERT_EQ(source->Open(sources[i]), 1);
        ASSERT_EQ(out->InsertPages(out->GetNumPages() - 1, source, 0, 5, 1), 1);
        ASSERT_EQ(source->Close(), 1);
        ASSERT_EQ(out->Save(0x21, path), 1);
        ASSERT_EQ(out->Close(), 1);
    }
    std::chrono::duration<double> server = std::chrono::steady_clock::now() - start;
    std::string command = "qpdf --empty --pages";
    for (const auto& file : sources) {
        command += " '" + file + "'";
    }
    command += " -- '" + (m_dir / "qpdf.pdf") + "'";
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::chrono::duration<double> tool = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(ParseFully(path).pages, 500);
    std::printf("one by one through the server: %.2f s; qpdf --pages at once: %.2f s\n",
                server.count(), tool.count());
}

} // namespace
} // namespace quorvel::test
