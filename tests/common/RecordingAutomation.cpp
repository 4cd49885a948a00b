#include "common/RecordingAutomation.h"

#include <cstdio>
#include <fstream>

namespace quorvel::test {

namespace {

// A prefix matches whole words: "Create" matches "Create" but not
// "CreateObject AcroExch.App".
bool StartsWithWords(const std::string& line, const std::string& prefix) {
    return line.rfind(prefix, 0) == 0 &&
           (line.size() == prefix.size() || line[prefix.size()] == ' ' || prefix.empty() ||
            prefix.back() == ' ');
}

std::string Stem(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void WritePlaceholder(const std::string& path, const FakeDocument& doc) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "%PDF-fake " << doc.pages.size() << " pages\n";
}

} // namespace

struct FakePDDoc : IAcroPDDoc, std::enable_shared_from_this<FakePDDoc> {
    explicit FakePDDoc(CRecordingFactory& f) : factory(f) {}
    CRecordingFactory& factory;
    std::string label;
    FakeDocument doc;

    int32_t Open(const std::string& path) override {
        int32_t r;
        if (factory.Record("Open " + factory.Shown(path), r))
            return r;
        auto it = factory.m_store.find(path);
        if (it == factory.m_store.end() || !factory.Unlocked(path))
            return 0;
        doc = it->second;
        label = Stem(path);
        return -1;
    }
    int32_t Close() override {
        int32_t r;
        if (factory.Record("Close " + label, r))
            return r;
        label.clear();
        return -1;
    }
    int32_t InsertPages(int32_t after, const std::shared_ptr<IAcroPDDoc>& source, int32_t first,
                        int32_t count, int32_t copyBookmarks) override {
        auto src = std::dynamic_pointer_cast<FakePDDoc>(source);
        int32_t r;
        if (factory.Record("InsertPages " + std::to_string(after) + " " +
                               (src ? src->label : std::string("?")) + " " + std::to_string(first) +
                               " " + std::to_string(count) + " " + std::to_string(copyBookmarks),
                           r))
            return r;
        const auto size = static_cast<int32_t>(doc.pages.size());
        if (!src || first < 0 || count < 1 ||
            first + count > static_cast<int32_t>(src->doc.pages.size()) || after < -1 ||
            after >= size)
            return 0;
        // Copy first: the source may be this document.
        std::vector<std::string> copied(src->doc.pages.begin() + first,
                                        src->doc.pages.begin() + first + count);
        doc.pages.insert(doc.pages.begin() + (after + 1), copied.begin(), copied.end());
        return -1;
    }
    int32_t GetNumPages() override {
        int32_t r;
        if (factory.Record("GetNumPages " + label, r))
            return r;
        return static_cast<int32_t>(doc.pages.size());
    }
    int32_t Create() override {
        int32_t r;
        if (factory.Record("Create", r)) {
            if (r == 0)
                throw AutomationException("cannot create a new document");
            return r;
        }
        doc = {};
        label = "new";
        return -1;
    }
    std::shared_ptr<IAcroAVDoc> OpenAVDoc(const std::string& title) override;
    int32_t Save(int16_t flags, const std::string& path) override {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags));
        int32_t r;
        if (factory.Record(std::string("Save ") + hex + " " + factory.Shown(path), r))
            return r;
        factory.m_store[path] = doc;
        WritePlaceholder(path, doc);
        return -1;
    }
};

struct FakePageView;

struct FakeView : IAcroAVDoc, std::enable_shared_from_this<FakeView> {
    explicit FakeView(CRecordingFactory& f) : factory(f) {}
    CRecordingFactory& factory;
    std::shared_ptr<FakePDDoc> doc;
    int32_t page = 0;

    int32_t Open(const std::string& path, const std::string&) override {
        int32_t r;
        if (factory.Record("AVDoc.Open " + factory.Shown(path), r))
            return r;
        auto opened = std::make_shared<FakePDDoc>(factory);
        auto it = factory.m_store.find(path);
        if (it == factory.m_store.end())
            return 0;
        opened->doc = it->second;
        opened->label = Stem(path);
        doc = opened;
        return -1;
    }
    std::shared_ptr<IAcroPDDoc> GetPDDoc() override {
        int32_t r;
        if (factory.Record("GetPDDoc", r))
            return nullptr;
        return doc;
    }
    std::shared_ptr<IAcroAVPageView> GetAVPageView() override;
    int32_t Close(int32_t noSave) override {
        int32_t r;
        if (factory.Record("AVDoc.Close " + std::to_string(noSave), r))
            return r;
        return -1;
    }
};

struct FakePageView : IAcroAVPageView {
    FakePageView(CRecordingFactory& f, std::shared_ptr<FakeView> v) : factory(f), view(v) {}
    CRecordingFactory& factory;
    std::shared_ptr<FakeView> view;

    int32_t GoTo(int32_t page) override {
        int32_t r;
        if (factory.Record("GoTo " + std::to_string(page), r))
            return r;
        view->page = page;
        factory.m_activeView = view;
        return -1;
    }
};

std::shared_ptr<IAcroAVDoc> FakePDDoc::OpenAVDoc(const std::string& title) {
    int32_t r;
    if (factory.Record("OpenAVDoc " + factory.Shown(title), r))
        return nullptr;
    auto view = std::make_shared<FakeView>(factory);
    view->doc = shared_from_this();
    factory.m_activeView = view;
    return view;
}

std::shared_ptr<IAcroAVPageView> FakeView::GetAVPageView() {
    int32_t r;
    if (factory.Record("GetAVPageView", r))
        return nullptr;
    return std::make_shared<FakePageView>(factory, shared_from_this());
}

struct FakeApp : IAcroApp {
    explicit FakeApp(CRecordingFactory& f) : factory(f) {}
    CRecordingFactory& factory;

    int32_t Exit() override {
        int32_t r;
        return factory.Record("Exit", r) ? r : -1;
    }
    int32_t CloseAllDocs() override {
        int32_t r;
        return factory.Record("CloseAllDocs", r) ? r : -1;
    }
    int32_t MenuItemExecute(const std::string& item) override {
        int32_t r;
        if (factory.Record("MenuItemExecute " + item, r))
            return r;
        auto view = factory.m_activeView.lock();
        if (item != "NewBookmark" || !view || !view->doc)
            return 0;
        view->doc->doc.bookmarks.emplace_back("Untitled", view->page);
        return -1;
    }
};

struct FakeBookmark : IAcroPDBookmark {
    explicit FakeBookmark(CRecordingFactory& f) : factory(f) {}
    CRecordingFactory& factory;
    std::shared_ptr<FakePDDoc> doc;
    size_t index = 0;

    int32_t GetByTitle(const std::shared_ptr<IAcroPDDoc>& d, const std::string& title) override {
        int32_t r;
        if (factory.Record("GetByTitle " + title, r))
            return r;
        doc = std::dynamic_pointer_cast<FakePDDoc>(d);
        if (!doc)
            return 0;
        for (index = 0; index < doc->doc.bookmarks.size(); ++index)
            if (doc->doc.bookmarks[index].first == title)
                return -1;
        doc.reset();
        return 0;
    }
    int32_t SetTitle(const std::string& title) override {
        int32_t r;
        if (factory.Record("SetTitle " + title, r))
            return r;
        if (doc)
            doc->doc.bookmarks[index].first = title;
        return -1;
    }
};

CRecordingFactory::CRecordingFactory(std::string root)
    : m_root(std::move(root)), m_log(std::make_shared<std::vector<std::string>>()) {}

std::shared_ptr<IAcroObject> CRecordingFactory::CreateObject(const std::string& progId) {
    int32_t r;
    if (Record("CreateObject " + progId, r) && r == 0)
        return nullptr;
    if (progId == kProgIdApp)
        return std::make_shared<FakeApp>(*this);
    if (progId == kProgIdAVDoc)
        return std::make_shared<FakeView>(*this);
    if (progId == kProgIdPDDoc)
        return std::make_shared<FakePDDoc>(*this);
    if (progId == kProgIdPDBookmark)
        return std::make_shared<FakeBookmark>(*this);
    return nullptr;
}

void CRecordingFactory::SetPassword(const std::string& path, const CSecret& password) {
    int32_t r;
    Record("SetPassword " + Shown(path), r);
    m_given[path] = std::string(password.View());
}

bool CRecordingFactory::Unlocked(const std::string& path) const {
    auto required = m_required.find(path);
    if (required == m_required.end())
        return true;
    auto given = m_given.find(path);
    return given != m_given.end() && given->second == required->second;
}

void CRecordingFactory::AddFile(const std::string& path, int pages) {
    FakeDocument doc;
    for (int i = 1; i <= pages; ++i)
        doc.pages.push_back(Stem(path) + ":" + std::to_string(i));
    m_store[path] = doc;
    WritePlaceholder(path, doc);
}

FakeDocument CRecordingFactory::Document(const std::string& path) const {
    auto it = m_store.find(path);
    return it == m_store.end() ? FakeDocument{} : it->second;
}

void CRecordingFactory::Script(const std::string& prefix, int32_t value, int occurrence) {
    m_rules.push_back(Rule{prefix, occurrence, value});
}

std::vector<std::string>
CRecordingFactory::CallsWithout(const std::vector<std::string>& skipPrefixes) const {
    std::vector<std::string> kept;
    for (const auto& line : *m_log) {
        bool skip = false;
        for (const auto& prefix : skipPrefixes)
            skip = skip || StartsWithWords(line, prefix);
        if (!skip)
            kept.push_back(line);
    }
    return kept;
}

bool CRecordingFactory::Record(const std::string& line, int32_t& scripted) {
    m_log->push_back(line);
    bool hit = false;
    for (auto& rule : m_rules) {
        if (!StartsWithWords(line, rule.prefix))
            continue;
        ++rule.seen;
        if (!hit && (rule.occurrence == 0 || rule.seen == rule.occurrence)) {
            scripted = rule.value;
            hit = true;
        }
    }
    return hit;
}

std::string CRecordingFactory::Shown(const std::string& path) const {
    if (!m_root.empty() && path.rfind(m_root, 0) == 0)
        return path.substr(m_root.size());
    return path;
}

} // namespace quorvel::test
