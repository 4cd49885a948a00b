#include "pdfserver/PdfDocument.h"

#include "pdfserver/CompleteFileWriter.h"
#include "pdfserver/IncrementalUpdate.h"
#include "pdfserver/OutlineTree.h"
#include "pdfserver/ServerState.h"
#include "pdfserver/StructTreeMerger.h"
#include "support/RegularFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <map>
#include <vector>

namespace quorvel {

namespace {

// Parses a file the way every document of the server is parsed: warnings
// are collected quietly (a file that parses with warnings is usable), an
// encrypted file is opened with the password set for it (else the empty
// one), and the page tree must be
// readable down to its pages. A file the server has just written skips the
// page walk: qpdf reads objects lazily, and the walk costs a read of every
// page object, which matters when a growing output is saved after each
// source. Only a regular file is parsed (null for anything else): a FIFO
// would stall the server and a device such as /dev/zero never end.
std::shared_ptr<PdfInstance> ParseFile(const std::string& path, const char* password,
                                       bool checkPages = true) {
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    auto instance = std::make_shared<PdfInstance>();
    instance->pdf.setSuppressWarnings(true);
    instance->pdf.processFile(path.c_str(), file, true, password);
    if (!checkPages) {
        return instance;
    }
    auto pages = instance->pdf.getRoot().getKey("/Pages");
    if (!pages.isDictionary() || !pages.getKey("/Kids").isArray()) {
        return nullptr;
    }
    instance->pdf.getAllPages();
    return instance;
}

// The highest object number of a file just parsed: its cross-reference
// table says so without reading any object.
int HighestObjectIdInFile(QPDF& pdf) {
    auto xref = pdf.getXRefTable();
    return xref.empty() ? 0 : xref.rbegin()->first.getObj();
}

// The highest object number in use, objects made in memory included.
int HighestObjectId(QPDF& pdf) {
    return static_cast<int>(pdf.getObjectCount());
}

// Sources up to this size hand their stream data over at once when pages are
// copied, so that nothing keeps them open once the copy is saved; larger
// ones are read when written, which keeps their data out of memory.
constexpr off_t kImmediateCopyLimit = 32 * 1024 * 1024;

} // namespace

CPdfDocument::CPdfDocument(CServerState& state) : m_state(state) {}

CPdfDocument::~CPdfDocument() {
    try {
        Close();
    } catch (...) {
    }
}

void CPdfDocument::Adopt(std::shared_ptr<PdfInstance> instance, const std::string& path,
                         int baseObjectId) {
    m_row.reset();
    m_instance = std::move(instance);
    m_strPath = path;
    ++m_nRevision;
    m_nBaseObjectId = baseObjectId;
    m_changedObjects.clear();
    m_lastBookmark = QPDFObjGen();
    m_bModified = false;
    m_state.RegisterInstance(m_instance);
}

bool CPdfDocument::Open(const std::string& path) {
    Close();
    int baseObjectId = 0;
    FileStamp stamp;
    if (auto kept = m_state.TakeParsed(path, baseObjectId, stamp)) {
        Adopt(std::move(kept), path, baseObjectId);
        m_stamp = stamp;
        return true;
    }
    try {
        // Stamped before parsing: should the file change meanwhile, the
        // stamp no longer matches and nothing is appended to it.
        auto stampBefore = StampOf(path);
        auto instance = ParseFile(path, m_state.PasswordFor(path));
        if (!instance) {
            return false;
        }
        const int baseObjectId = HighestObjectIdInFile(instance->pdf);
        Adopt(std::move(instance), path, baseObjectId);
        m_stamp = stampBefore;
        return true;
    } catch (...) {
        Close();
        return false;
    }
}

bool CPdfDocument::Create() {
    Close();
    try {
        auto instance = std::make_shared<PdfInstance>();
        instance->pdf.setSuppressWarnings(true);
        instance->pdf.emptyPDF();
        Adopt(std::move(instance), "", 0);
        return true;
    } catch (...) {
        return false;
    }
}

void CPdfDocument::Close() {
    m_row.reset();
    if (m_instance && !m_bModified && m_stamp && !m_strPath.empty() &&
        !m_instance->holdsSourceFiles) {
        m_state.KeepParsed(m_strPath, m_instance, m_nBaseObjectId, *m_stamp);
    }
    m_instance.reset();
    m_stamp.reset();
    m_bModified = false;
    m_strPath.clear();
    m_changedObjects.clear();
    m_lastBookmark = QPDFObjGen();
}

int CPdfDocument::GetNumPages() {
    if (!IsOpen()) {
        return 0;
    }
    try {
        return static_cast<int>(m_instance->pdf.getAllPages().size());
    } catch (...) {
        return 0;
    }
}

void CPdfDocument::MarkChanged(QPDFObjectHandle object) {
    if (object.isIndirect() && object.getObjectID() <= m_nBaseObjectId) {
        m_changedObjects.insert(object.getObjGen());
    }
}

void CPdfDocument::MarkFormChanged(QPDFObjectHandle form) {
    // Merging form fields changes the form dictionary, its field list and
    // its default resources, which may be objects of their own.
    MarkChanged(form);
    for (const auto& key : form.getKeys()) {
        auto value = form.getKey(key);
        MarkChanged(value);
        if (key == "/DR" && value.isDictionary()) {
            for (const auto& kind : value.getKeys()) {
                MarkChanged(value.getKey(kind));
            }
        }
    }
}

void CPdfDocument::ChooseCopyMode(CPdfDocument& source) {
    PdfInstance& from = *source.m_instance;
    if (&from == m_instance.get()) {
        return;
    }
    // Only a target that will be appended to and kept between saves needs
    // the data at once; a complete write reads it from the sources, which
    // also lets qpdf retry a damaged stream unfiltered.
    const bool kept = m_stamp && m_state.IsWrittenByServer(m_strPath, *m_stamp);
    if (!from.copyModeChosen) {
        from.copyModeChosen = true;
        struct stat st {};
        from.immediateCopy =
            kept && (source.m_strPath.empty() || (::stat(source.m_strPath.c_str(), &st) == 0 &&
                                                  st.st_size <= kImmediateCopyLimit));
        from.pdf.setImmediateCopyFrom(from.immediateCopy);
    }
    if (!from.immediateCopy) {
        m_instance->holdsSourceFiles = true;
    }
}

bool CPdfDocument::InsertPages(int insertAfter, CPdfDocument& source, int first, int count,
                               bool copyBookmarks) {
    if (!IsOpen() || !source.IsOpen() || count < 0) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    try {
        QPDF& target = m_instance->pdf;
        QPDF& from = source.m_instance->pdf;
        long long sourcePages = static_cast<long long>(from.getAllPages().size());
        long long targetPages = static_cast<long long>(target.getAllPages().size());
        if (first < 0 || first >= sourcePages ||
            static_cast<long long>(first) + count > sourcePages) {
            return false;
        }
        if (insertAfter < -1 || insertAfter > targetPages - 1) {
            return false;
        }
        m_bModified = true;
        // Inserting rewrites the page tree: the root node and the catalog,
        // and the first time, when qpdf flattens the tree and pushes
        // inherited attributes down, every page.
        auto catalog = target.getRoot();
        MarkChanged(catalog);
        MarkChanged(catalog.getKey("/Pages"));
        if (!m_instance->pageTreeFlat) {
            for (const auto& page : target.getAllPages()) {
                MarkChanged(page);
            }
        }
        ChooseCopyMode(source);
        // A document inserted into itself is a row of its own each time: its
        // pages move under the row's feet.
        const bool sameDocument = source.m_instance == m_instance;
        if (!m_row || m_row->Source() != source.m_instance || sameDocument) {
            FinishRow();
            // Rows of an unchanged file share the streams they copy.
            const bool file = source.m_stamp && !source.m_bModified && !source.m_strPath.empty();
            m_row = std::make_unique<CCopyRow>(source.m_instance, *m_instance,
                                               file ? SourceIdentity(*source.m_stamp) : "");
        }
        auto changed = [this](QPDFObjectHandle object) { MarkChanged(object); };
        // The source pages as they are before the insert, which matters when
        // a document is inserted into itself.
        std::map<int, QPDFObjectHandle> originals;
        for (int i = first; i < first + count; ++i) {
            originals.emplace(i, from.getAllPages().at(static_cast<size_t>(i)));
        }
        try {
            m_row->Insert(insertAfter, first, count, copyBookmarks, changed);
        } catch (...) {
            m_row.reset();
            throw;
        }
        // Row-wide merges of other document structures take the source, the
        // target and m_row->Copies() (source page index -> first copy) here.
        // The structure tree is merged per range: each range's copies get
        // their own elements and numbers. The pages are in by now, so
        // nothing here may fail the insert.
        try {
            std::map<int, QPDFObjectHandle> copies;
            for (int i = 0; i < count; ++i) {
                copies.emplace(first + i,
                               target.getAllPages().at(static_cast<size_t>(insertAfter + 1 + i)));
            }
            CStructTreeMerger structure(from, target);
            for (const auto& object :
                 structure.Merge(originals, copies, insertAfter, static_cast<int>(targetPages))) {
                MarkChanged(object);
            }
        } catch (...) {
        }
        if (sameDocument) {
            FinishRow();
        }
        auto form = catalog.getKey("/AcroForm");
        if (form.isDictionary()) {
            MarkFormChanged(form);
        }
        m_instance->pageTreeFlat = true;
        m_instance->AddSource(source.m_instance);
        return true;
    } catch (...) {
        return false;
    }
}

void CPdfDocument::FinishRow() {
    if (!m_row) {
        return;
    }
    auto row = std::move(m_row);
    row->Finish([this](QPDFObjectHandle object) { MarkChanged(object); });
}

bool CPdfDocument::SaveIncrementally(int16_t flags, const std::string& path, bool& saved) {
    saved = false;
    if (path != m_strPath || !m_stamp || !m_state.IsWrittenByServer(path, *m_stamp)) {
        return false;
    }
    FileStamp written;
    bool detached = false;
    switch (AppendIncrementalUpdate(m_instance->pdf, m_changedObjects, m_nBaseObjectId, path,
                                    *m_stamp, written, m_instance->filePageTree,
                                    m_instance->writtenStreams, detached)) {
    case UpdateResult::NotApplicable:
        return false;
    case UpdateResult::Failed:
        return true;
    case UpdateResult::Written:
        break;
    }
    saved = true;
    m_state.NoteWritten(path, written, flags, true);
    if (detached) {
        m_instance->sources.clear();
    } else {
        m_instance->holdsSourceFiles = true;
    }
    // The appended objects are now part of the file and count as its
    // own; a save starts a new revision as a complete write does.
    Adopt(m_instance, path, HighestObjectId(m_instance->pdf));
    m_stamp = written;
    return true;
}

bool CPdfDocument::Save(int16_t flags, const std::string& path) {
    if (!IsOpen() || path.empty() || path.back() == '/') {
        return false;
    }
    FinishRow();
    bool saved = false;
    if (SaveIncrementally(flags, path, saved)) {
        return saved;
    }
    // The streams later rows may share are renumbered by the write.
    std::vector<QPDFObjGen> shared;
    for (const auto& [file, streams] : m_instance->sharedStreams) {
        for (const auto& [original, copy] : streams) {
            shared.push_back(copy);
        }
    }
    if (!WriteCompleteFile(m_instance->pdf, flags, path, &shared)) {
        return false;
    }
    auto stamp = StampOf(path);
    if (stamp) {
        m_state.NoteWritten(path, *stamp, flags, false);
    }
    // From now on the document is the written file: stream data no longer
    // comes from the sources, which can go, and the next round of changes is
    // counted against this file.
    try {
        if (auto reloaded = ParseFile(path, m_state.PasswordFor(path), false)) {
            const int baseObjectId = HighestObjectIdInFile(reloaded->pdf);
            auto next = shared.begin();
            for (const auto& [file, streams] : m_instance->sharedStreams) {
                auto& index = reloaded->sharedStreams[file];
                for (const auto& [original, copy] : streams) {
                    if (next->isIndirect()) {
                        index.emplace(original, *next);
                    }
                    ++next;
                }
            }
            Adopt(std::move(reloaded), path, baseObjectId);
            m_stamp = stamp;
        }
    } catch (...) {
        // The file is written; the document keeps its objects and sources.
        m_stamp.reset();
    }
    return true;
}

bool CPdfDocument::AddBookmark(const std::string& title, int page) {
    if (!IsOpen()) {
        return false;
    }
    try {
        QPDF& pdf = m_instance->pdf;
        const auto& pages = pdf.getAllPages();
        if (page < 0 || page >= static_cast<int>(pages.size())) {
            return false;
        }
        m_bModified = true;
        auto root = outline::Root(pdf, false);
        if (root.isNull()) {
            MarkChanged(pdf.getRoot());
            root = outline::Root(pdf, true);
        }
        auto destination = QPDFObjectHandle::newArray();
        destination.appendItem(pages[static_cast<size_t>(page)]);
        destination.appendItem(QPDFObjectHandle::newName("/XYZ"));
        for (int i = 0; i < 3; ++i) {
            destination.appendItem(QPDFObjectHandle::newNull());
        }
        auto item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
        item.replaceKey("/Dest", destination);
        for (const auto& changed : outline::AppendChild(root, item)) {
            MarkChanged(changed);
        }
        outline::RecountRoot(root);
        m_lastBookmark = item.getObjGen();
        return true;
    } catch (...) {
        return false;
    }
}

QPDFObjGen CPdfDocument::FindBookmark(const std::string& title) {
    QPDFObjGen found;
    if (!IsOpen()) {
        return found;
    }
    try {
        auto hasTitle = [&title](QPDFObjectHandle item) {
            auto value = item.getKey("/Title");
            return value.isString() && value.getUTF8Value() == title;
        };
        // The item just made by AddBookmark is the one a caller looks for
        // right after adding it, even when copied items share its title.
        if (m_lastBookmark.isIndirect()) {
            auto last = m_instance->pdf.getObjectByObjGen(m_lastBookmark);
            if (last.isDictionary() && hasTitle(last)) {
                return m_lastBookmark;
            }
        }
        outline::ForEachItem(outline::Root(m_instance->pdf, false),
                             [&](QPDFObjectHandle item, int) {
                                 if (item.isIndirect() && hasTitle(item)) {
                                     found = item.getObjGen();
                                     return false;
                                 }
                                 return true;
                             });
    } catch (...) {
        found = QPDFObjGen();
    }
    return found;
}

bool CPdfDocument::SetBookmarkTitle(QPDFObjGen item, const std::string& title) {
    if (!IsOpen() || !item.isIndirect()) {
        return false;
    }
    try {
        auto object = m_instance->pdf.getObjectByObjGen(item);
        if (!object.isDictionary()) {
            return false;
        }
        m_bModified = true;
        object.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
        MarkChanged(object);
        return true;
    } catch (...) {
        return false;
    }
}

std::set<QPDFObjGen> CPdfDocument::GetChangedObjects() {
    std::set<QPDFObjGen> changed = m_changedObjects;
    if (!IsOpen()) {
        return changed;
    }
    try {
        for (auto& object : m_instance->pdf.getAllObjects()) {
            if (object.getObjectID() > m_nBaseObjectId) {
                changed.insert(object.getObjGen());
            }
        }
    } catch (...) {
    }
    return changed;
}

} // namespace quorvel
