#include "docserver/FakeDocuments.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace quorvel {

namespace {

int g_nLive = 0;
bool g_bFailCreate = false;

// Runs the hook a text names. Returns the page count it opens as, or
// nothing when the text is not a document.
std::optional<int32_t> RunHooks(const std::string& text) {
    if (text == "/crash/segv") {
        std::raise(SIGSEGV);
    } else if (text == "/crash/abort") {
        std::abort();
    } else if (text == "/crash/exit") {
        ::_exit(0);
    } else if (text == "/hang") {
        for (;;) {
            ::pause();
        }
    } else if (text == "/garbage") {
        // Descriptor 3 is the link to the client in the helper.
        const char junk[] = "\xff\xff\xff\x7fjunk";
        (void)!::write(3, junk, sizeof junk - 1);
        return 1;
    } else if (text.rfind("/slow/", 0) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(text.c_str() + 6)));
        return 1;
    } else if (text.rfind("/fake/", 0) == 0) {
        return std::atoi(text.c_str() + 6);
    }
    return std::nullopt;
}

class Counted {
public:
    Counted() { ++g_nLive; }
    Counted(const Counted&) = delete;
    ~Counted() { --g_nLive; }
};

class FakePDDoc : public IAcroPDDoc,
                  public std::enable_shared_from_this<FakePDDoc>,
                  private Counted {
public:
    int32_t Open(const std::string& path) override {
        std::optional<int32_t> pages = RunHooks(path);
        if (!pages) {
            return 0;
        }
        m_bOpen = true;
        m_nPages = *pages;
        return 1;
    }
    int32_t Close() override {
        bool was = m_bOpen;
        m_bOpen = false;
        return was ? 1 : 0;
    }
    int32_t InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                        int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) override {
        auto* src = dynamic_cast<FakePDDoc*>(source.get());
        if (!m_bOpen || !src || !src->m_bOpen || count < 1 || firstSourcePage < 0 ||
            firstSourcePage + count > src->m_nPages || insertAfter < -1 ||
            insertAfter >= m_nPages || (copyBookmarks != 0 && copyBookmarks != 1)) {
            return 0;
        }
        m_nPages += count;
        return 1;
    }
    int32_t GetNumPages() override { return m_bOpen ? m_nPages : 0; }
    int32_t Create() override {
        if (g_bFailCreate) {
            throw AutomationException("Cannot create a new document");
        }
        m_bOpen = true;
        m_nPages = 0;
        return 1;
    }
    std::shared_ptr<IAcroAVDoc> OpenAVDoc(const std::string& title) override;
    int32_t Save(int16_t flags, const std::string& path) override {
        RunHooks(path);
        return m_bOpen && !path.empty() ? flags : 0;
    }

private:
    bool m_bOpen = false;
    int32_t m_nPages = 0;
};

class FakePageView : public IAcroAVPageView, private Counted {
public:
    int32_t GoTo(int32_t page) override { return page; }
};

class FakeAVDoc : public IAcroAVDoc, private Counted {
public:
    FakeAVDoc() = default;
    explicit FakeAVDoc(std::shared_ptr<IAcroPDDoc> doc) : m_pDoc(std::move(doc)) {}

    int32_t Open(const std::string& path, const std::string& tempTitle) override {
        auto doc = std::make_shared<FakePDDoc>();
        if (!doc->Open(path)) {
            return 0;
        }
        m_pDoc = doc;
        // Lets a test check that the title arrived byte for byte.
        return tempTitle.empty() ? 1 : FakeStringHash(tempTitle);
    }
    std::shared_ptr<IAcroPDDoc> GetPDDoc() override { return m_pDoc; }
    std::shared_ptr<IAcroAVPageView> GetAVPageView() override {
        return m_pDoc ? std::make_shared<FakePageView>() : nullptr;
    }
    int32_t Close(int32_t noSave) override {
        if (!m_pDoc) {
            return 0;
        }
        m_pDoc.reset();
        return noSave == 1 ? 1 : 2;
    }

private:
    std::shared_ptr<IAcroPDDoc> m_pDoc;
};

std::shared_ptr<IAcroAVDoc> FakePDDoc::OpenAVDoc(const std::string& title) {
    RunHooks(title);
    if (title == "null") {
        return nullptr;
    }
    return m_bOpen ? std::make_shared<FakeAVDoc>(shared_from_this()) : nullptr;
}

class FakeApp : public IAcroApp, private Counted {
public:
    int32_t Exit() override { return 1; }
    int32_t CloseAllDocs() override { return 1; }
    int32_t MenuItemExecute(const std::string& menuItem) override {
        if (menuItem == "FailCreate") {
            g_bFailCreate = true;
            return 1;
        }
        if (menuItem == "ThrowOther") {
            throw std::runtime_error("not an automation exception");
        }
        if (menuItem == "LiveObjects") {
            return g_nLive;
        }
        if (RunHooks(menuItem)) {
            return 1;
        }
        return FakeStringHash(menuItem);
    }
};

class FakeBookmark : public IAcroPDBookmark, private Counted {
public:
    int32_t GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc, const std::string& title) override {
        return doc && doc->GetNumPages() > 0 && title == "Untitled" ? 1 : 0;
    }
    int32_t SetTitle(const std::string& title) override { return FakeStringHash(title); }
};

class FakeFactory : public IAutomationFactory {
public:
    std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) override {
        RunHooks(progId);
        if (progId == kProgIdApp) {
            return std::make_shared<FakeApp>();
        }
        if (progId == kProgIdPDDoc) {
            return std::make_shared<FakePDDoc>();
        }
        if (progId == kProgIdAVDoc) {
            return std::make_shared<FakeAVDoc>();
        }
        if (progId == kProgIdPDBookmark) {
            return std::make_shared<FakeBookmark>();
        }
        return nullptr;
    }
};

} // namespace

std::shared_ptr<IAutomationFactory> CreateFakeDocumentFactory() {
    return std::make_shared<FakeFactory>();
}

int32_t FakePageCount(const std::string& path) {
    return RunHooks(path).value_or(0);
}

int32_t FakeStringHash(const std::string& text) {
    uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h = (h ^ c) * 16777619u;
    }
    return static_cast<int32_t>((h & 0x7FFFFFFFu) | 1u);
}

int FakeLiveObjects() {
    return g_nLive;
}

void ResetFakeDocuments() {
    g_bFailCreate = false;
}

} // namespace quorvel
