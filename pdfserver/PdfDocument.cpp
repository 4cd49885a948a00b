#include "pdfserver/PdfDocument.h"

#include "pdfserver/DestinationResolver.h"
#include "pdfserver/OutlineCopier.h"
#include "pdfserver/OutlineTree.h"
#include "pdfserver/PageCopier.h"
#include "pdfserver/ServerState.h"

#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace quorvel {

namespace {

// Parses a file the way every document of the server is parsed: warnings
// are collected quietly (a file that parses with warnings is usable), the
// empty password is tried on encrypted files, and the page tree must be
// readable down to its pages. A file the server has just written skips the
// page walk: qpdf reads objects lazily, and the walk costs a read of every
// page object, which matters when a growing output is saved after each
// source.
std::shared_ptr<PdfInstance> ParseFile(const std::string& path, bool checkPages = true) {
    auto instance = std::make_shared<PdfInstance>();
    instance->pdf.setSuppressWarnings(true);
    instance->pdf.processFile(path.c_str());
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

int HighestObjectId(QPDF& pdf) {
    auto xref = pdf.getXRefTable();
    return xref.empty() ? 0 : xref.rbegin()->first.getObj();
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// New files get the permissions an ordinary create would give; a replaced
// file keeps its own.
void SetModeFor(int fd, const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
        return;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

} // namespace

CPdfDocument::CPdfDocument(CServerState& state) : m_state(state) {}

void CPdfDocument::Adopt(std::shared_ptr<PdfInstance> instance, const std::string& path) {
    m_instance = std::move(instance);
    m_strPath = path;
    ++m_nRevision;
    m_nBaseObjectId = path.empty() ? 0 : HighestObjectId(m_instance->pdf);
    m_changedObjects.clear();
    m_lastBookmark = QPDFObjGen();
    m_state.RegisterInstance(m_instance);
}

bool CPdfDocument::Open(const std::string& path) {
    Close();
    try {
        auto instance = ParseFile(path);
        if (!instance) {
            return false;
        }
        Adopt(std::move(instance), path);
        return true;
    } catch (...) {
        return false;
    }
}

bool CPdfDocument::Create() {
    Close();
    try {
        auto instance = std::make_shared<PdfInstance>();
        instance->pdf.setSuppressWarnings(true);
        instance->pdf.emptyPDF();
        Adopt(std::move(instance), "");
        return true;
    } catch (...) {
        return false;
    }
}

void CPdfDocument::Close() {
    m_instance.reset();
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
        // Inserting rewrites the page tree: the root node, the catalog and
        // the /Parent of every page.
        auto catalog = target.getRoot();
        MarkChanged(catalog);
        MarkChanged(catalog.getKey("/Pages"));
        for (const auto& page : target.getAllPages()) {
            MarkChanged(page);
        }
        // The resolver indexes the source pages as they are before the
        // insertion, which matters when a document is inserted into itself.
        CDestinationResolver resolver(from);
        CPageCopier copier(from, target);
        auto copies = copier.Insert(insertAfter, first, count);
        copier.RetargetLinks(resolver, copies);
        if (copyBookmarks) {
            COutlineCopier outlines(from, resolver, target, copies);
            for (const auto& changed : outlines.CopyInto()) {
                MarkChanged(changed);
            }
        }
        auto form = catalog.getKey("/AcroForm");
        if (form.isDictionary()) {
            MarkChanged(form);
            MarkChanged(form.getKey("/Fields"));
        }
        m_instance->AddSource(source.m_instance);
        return true;
    } catch (...) {
        return false;
    }
}

bool CPdfDocument::Save(int16_t flags, const std::string& path) {
    if (!IsOpen() || path.empty() || path.back() == '/') {
        return false;
    }
    std::string folder = FolderOf(path);
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    // The temporary name adds 8 characters to the target's; it is cut so that
    // a target with a name near the longest allowed can still be written.
    constexpr size_t kTempNameExtra = 8; // "." before, ".XXXXXX" after
    std::string stem = name.substr(0, std::min(name.size(), size_t{NAME_MAX} - kTempNameExtra));
    std::string pattern = folder + (folder == "/" ? "." : "/.") + stem + ".XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.data());
        return false;
    }
    bool written = false;
    try {
        QPDFWriter writer(m_instance->pdf);
        writer.setOutputFile(temp.data(), file, false);
        if (!(flags & 0x20)) {
            writer.setPreserveUnreferencedObjects(true);
        }
        writer.write();
        // stdio may swallow a failed write (a full disk) and only set the
        // error indicator, so that is checked as well as the flush.
        written = std::fflush(file) == 0 && !std::ferror(file) && ::fsync(fd) == 0;
    } catch (...) {
        written = false;
    }
    if (written) {
        SetModeFor(fd, path);
    }
    if (std::fclose(file) != 0) {
        written = false;
    }
    if (!written || std::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        return false;
    }
    SyncFolder(folder);
    // From now on the document is the written file: stream data no longer
    // comes from the sources, which can go, and the next round of changes is
    // counted against this file.
    try {
        if (auto reloaded = ParseFile(path, false)) {
            Adopt(std::move(reloaded), path);
        }
    } catch (...) {
        // The file is written; the document keeps its objects and sources.
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
