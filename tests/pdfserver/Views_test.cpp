#include "pdfserver/ServerFixture.h"

#include <gmock/gmock.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

using ::testing::ElementsAre;

class ViewsTest : public ServerFixture {
protected:
    std::shared_ptr<IAcroApp> m_app = CreateAs<IAcroApp>(*m_factory, kProgIdApp);

    // The bookmark step of the run: view, page, menu item, rename.
    int AddNamedBookmark(const std::shared_ptr<IAcroPDDoc>& out, int page,
                         const std::string& title) {
        auto view = out->OpenAVDoc("out.pdf");
        if (!view) {
            return 0;
        }
        view->GetAVPageView()->GoTo(page);
        if (!m_app->MenuItemExecute("NewBookmark")) {
            return 0;
        }
        auto bookmark = CreateAs<IAcroPDBookmark>(*m_factory, kProgIdPDBookmark);
        return bookmark->GetByTitle(out, "Untitled") && bookmark->SetTitle(title);
    }
};

TEST_F(ViewsTest, NamesABookmarkAtTheViewsCurrentPage) {
    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(Source("A", 3)), 0, 3, 0), 1);
    EXPECT_EQ(AddNamedBookmark(out, 0, "a.pdf"), 1);
    ASSERT_EQ(out->InsertPages(2, Open(Source("B", 2)), 0, 2, 0), 1);
    EXPECT_EQ(AddNamedBookmark(out, 3, "b.pdf"), 1);
    EXPECT_EQ(AddNamedBookmark(out, 4, "b.pdf"), 1);
    std::string path = (m_dir / "out.pdf");
    SaveAndCheck(*out, path, 5);
    EXPECT_THAT(ReadOutline(path),
                ElementsAre(OutlineEntry{"a.pdf", 0, 0}, OutlineEntry{"b.pdf", 0, 3},
                            OutlineEntry{"b.pdf", 0, 4}));
}

TEST_F(ViewsTest, RenamesTheNewItemEvenWhenCopiedItemsShareItsTitle) {
    // A source whose outline already holds an "Untitled" item.
    std::string source = (m_dir / "untitled.pdf");
    {
        auto doc = Created();
        ASSERT_EQ(doc->InsertPages(-1, Open(Source("A", 2)), 0, 2, 0), 1);
        auto view = doc->OpenAVDoc("");
        view->GetAVPageView()->GoTo(1);
        ASSERT_EQ(m_app->MenuItemExecute("NewBookmark"), 1);
        ASSERT_EQ(doc->Save(0x21, source), 1);
    }
    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(source), 0, 2, 1), 1);
    EXPECT_EQ(AddNamedBookmark(out, 0, "mine"), 1);
    std::string path = (m_dir / "out.pdf");
    SaveAndCheck(*out, path, 2);
    EXPECT_THAT(ReadOutline(path),
                ElementsAre(OutlineEntry{"Untitled", 0, 1}, OutlineEntry{"mine", 0, 0}));
}

TEST_F(ViewsTest, RefusesWhatItCannotDo) {
    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(Source("A", 3)), 0, 3, 0), 1);
    auto bookmark = CreateAs<IAcroPDBookmark>(*m_factory, kProgIdPDBookmark);

    EXPECT_EQ(m_app->MenuItemExecute("NewBookmark"), 0); // no view yet
    EXPECT_EQ(bookmark->GetByTitle(out, "Untitled"), 0);
    EXPECT_EQ(bookmark->SetTitle("x"), 0); // nothing found

    auto view = out->OpenAVDoc("out.pdf");
    ASSERT_NE(view, nullptr);
    auto pageView = view->GetAVPageView();
    EXPECT_EQ(pageView->GoTo(2), 1);
    EXPECT_EQ(pageView->GoTo(3), 0);
    EXPECT_EQ(pageView->GoTo(-1), 0);
    EXPECT_EQ(m_app->MenuItemExecute("newbookmark"), 0);
    EXPECT_EQ(m_app->MenuItemExecute("Close"), 0);
    EXPECT_EQ(m_app->MenuItemExecute("NewBookmark"), 1);
    EXPECT_EQ(bookmark->GetByTitle(nullptr, "Untitled"), 0);
    EXPECT_EQ(bookmark->GetByTitle(NewPDDoc(), "Untitled"), 0);
    EXPECT_EQ(bookmark->GetByTitle(out, "untitled"), 0);
    ASSERT_EQ(bookmark->GetByTitle(out, "Untitled"), 1);

    // A closed view is not the active one; a document without pages
    // takes no bookmark.
    EXPECT_EQ(view->Close(1), 1);
    EXPECT_EQ(view->Close(1), 0);
    EXPECT_EQ(view->GetAVPageView(), nullptr);
    EXPECT_EQ(m_app->MenuItemExecute("NewBookmark"), 0);
    auto empty = Created();
    ASSERT_NE(empty->OpenAVDoc(""), nullptr);
    EXPECT_EQ(m_app->MenuItemExecute("NewBookmark"), 0);
    EXPECT_EQ(NewPDDoc()->OpenAVDoc(""), nullptr);

    // Saving renumbers the objects: the old bookmark object no longer applies.
    ASSERT_EQ(out->Save(0x21, (m_dir / "out.pdf")), 1);
    EXPECT_EQ(bookmark->SetTitle("late"), 0);
    EXPECT_THAT(ReadOutline((m_dir / "out.pdf")), ElementsAre(OutlineEntry{"Untitled", 0, 2}));
}

TEST_F(ViewsTest, OpensAFileInAViewAndHandsOutItsDocument) {
    auto view = CreateAs<IAcroAVDoc>(*m_factory, kProgIdAVDoc);
    EXPECT_EQ(view->GetPDDoc(), nullptr);
    EXPECT_EQ(view->Open((m_dir / "missing.pdf"), ""), 0);
    // Only regular files are opened: a FIFO would wait for a writer for ever
    // and /dev/zero read for ever.
    ASSERT_EQ(::mkfifo((m_dir / "fifo.pdf").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (m_dir / "zero.pdf").c_str()), 0);
    for (const char* special : {"fifo.pdf", "zero.pdf"}) {
        EXPECT_EQ(view->Open(m_dir / special, ""), 0) << special;
        EXPECT_EQ(Created()->Open(m_dir / special), 0) << special;
    }
    ASSERT_EQ(view->Open(Source("A", 3), ""), 1);
    auto doc = view->GetPDDoc();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetNumPages(), 3);
    // The document object and the view share one document.
    view->GetAVPageView()->GoTo(2);
    ASSERT_EQ(m_app->MenuItemExecute("NewBookmark"), 1);
    auto bookmark = CreateAs<IAcroPDBookmark>(*m_factory, kProgIdPDBookmark);
    EXPECT_EQ(bookmark->GetByTitle(doc, "Untitled"), 1);
    // Closing the document object leaves the view's document open.
    EXPECT_EQ(doc->Close(), 1);
    EXPECT_EQ(view->GetPDDoc()->GetNumPages(), 3);
}

TEST_F(ViewsTest, CloseAllDocsReleasesEveryDocumentAndView) {
    auto out = Created();
    auto source = Open(Source("A", 3));
    ASSERT_EQ(out->InsertPages(-1, source, 0, 3, 0), 1);
    auto view = out->OpenAVDoc("");
    EXPECT_EQ(m_app->CloseAllDocs(), 1);
    EXPECT_EQ(out->GetNumPages(), 0);
    EXPECT_EQ(out->Close(), 0);
    EXPECT_EQ(source->Save(0x21, (m_dir / "x.pdf")), 0);
    EXPECT_EQ(view->GetPDDoc(), nullptr);
    EXPECT_EQ(m_app->MenuItemExecute("NewBookmark"), 0);
    // The objects can be used again afterwards.
    ASSERT_EQ(out->Open(Source("A", 3)), 1);
    EXPECT_EQ(out->GetNumPages(), 3);
    EXPECT_EQ(m_app->Exit(), 1);
    EXPECT_EQ(out->GetNumPages(), 0);
}

} // namespace
} // namespace quorvel::test
