#include "pdfserver/IncrementalUpdate.h"

#include "support/SaveInProgress.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace quorvel {

namespace {

// Closes a descriptor when it goes out of scope.
class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The offset after the last "startxref" of a file ending in "%%EOF", or -1.
long long PreviousXrefOffset(int fd, off_t size) {
    constexpr off_t kTail = 1024;
    const off_t start = std::max<off_t>(0, size - kTail);
    std::string tail(static_cast<size_t>(size - start), '\0');
    if (::pread(fd, tail.data(), tail.size(), start) != static_cast<ssize_t>(tail.size())) {
        return -1;
    }
    const auto keyword = tail.rfind("startxref");
    if (keyword == std::string::npos) {
        return -1;
    }
    const char* text = tail.c_str() + keyword + 9;
    char* end = nullptr;
    errno = 0;
    const long long offset = std::strtoll(text, &end, 10);
    if (end == text || errno != 0 || offset <= 0 || offset >= size) {
        return -1;
    }
    if (std::string(end).find("%%EOF") == std::string::npos) {
        return -1;
    }
    return offset;
}

// A classic cross-reference table starts with the keyword "xref"; a
// cross-reference stream starts with an object header.
bool IsXrefTableAt(int fd, long long offset) {
    char keyword[4];
    return ::pread(fd, keyword, sizeof keyword, offset) == sizeof keyword &&
           std::memcmp(keyword, "xref", 4) == 0;
}

// Appends through the record of the save under way, so that a helper told
// to end in the middle cuts the file back to its old length first.
bool WriteAll(int fd, const std::string& bytes, off_t offset) {
    SaveAppendStarted(fd, offset);
    return WriteSaveBytes(fd, bytes.data(), bytes.size(), offset);
}

struct WrittenStream {
    QPDFObjectHandle stream;
    off_t offset;
    size_t length;
};

// Nesting deeper than this is written by qpdf (which refuses to parse much
// deeper nesting anyway).
constexpr int kMaxWrittenDepth = 256;

// Appends `object` in PDF syntax. Arrays, dictionaries and references are
// written here: qpdf's unparse makes a string of every element, which turns
// the long arrays of a document (its layers, its form fields) into the main
// cost of an update as the document grows. Scalars go through qpdf, which
// knows their escaping.
void AppendObject(std::string& out, QPDFObjectHandle object, int depth) {
    if (depth > 0 && object.isIndirect()) {
        const QPDFObjGen id = object.getObjGen();
        out += std::to_string(id.getObj());
        out += ' ';
        out += std::to_string(id.getGen());
        out += " R";
    } else if (depth >= kMaxWrittenDepth) {
        out += object.unparse();
    } else if (object.isArray()) {
        out += '[';
        for (auto& item : object.getArrayAsVector()) {
            out += ' ';
            AppendObject(out, item, depth + 1);
        }
        out += " ]";
    } else if (object.isDictionary()) {
        out += "<<";
        for (const auto& key : object.getKeys()) {
            auto value = object.getKey(key);
            if (value.isNull()) {
                continue;
            }
            out += ' ';
            out += QPDFObjectHandle::newName(key).unparse();
            out += ' ';
            AppendObject(out, value, depth + 1);
        }
        out += " >>";
    } else {
        out += object.unparse();
    }
}

// Composes the update: the objects in `objects` in order, the
// cross-reference section and the trailer. `base` is the file's old length.
class CUpdateComposer {
public:
    CUpdateComposer(off_t base) : m_base(base) {}

    // Objects written with other contents than they have in memory.
    std::map<QPDFObjGen, QPDFObjectHandle> replacements;

    void AddObject(QPDFObjectHandle object) {
        const QPDFObjGen id = object.getObjGen();
        m_offsets[id.getObj()] = {Position(), id.getGen()};
        m_bytes += std::to_string(id.getObj()) + " " + std::to_string(id.getGen()) + " obj\n";
        if (auto found = replacements.find(id); found != replacements.end()) {
            AppendObject(m_bytes, found->second, 0);
            m_bytes += "\nendobj\n";
        } else if (object.isStream()) {
            auto data = object.getRawStreamData();
            auto dictionary = object.getDict().shallowCopy();
            dictionary.replaceKey(
                "/Length", QPDFObjectHandle::newInteger(static_cast<long long>(data->getSize())));
            AppendObject(m_bytes, dictionary, 0);
            m_bytes += "\nstream\n";
            m_streams.push_back({object, Position(), data->getSize()});
            m_bytes.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
            m_bytes += "\nendstream\nendobj\n";
        } else {
            AppendObject(m_bytes, object, 0);
            m_bytes += "\nendobj\n";
        }
    }

    void Finish(QPDFObjectHandle oldTrailer, long long previousXref) {
        const off_t xref = Position();
        m_bytes += "xref\n";
        char entry[24];
        for (auto it = m_offsets.begin(); it != m_offsets.end();) {
            auto run = it;
            int count = 0;
            while (run != m_offsets.end() && run->first == it->first + count) {
                ++run;
                ++count;
            }
            m_bytes += std::to_string(it->first) + " " + std::to_string(count) + "\n";
            for (; it != run; ++it) {
                std::snprintf(entry, sizeof entry, "%010lld %05d n\r\n",
                              static_cast<long long>(it->second.first), it->second.second);
                m_bytes += entry;
            }
        }
        long long size = m_offsets.empty() ? 1 : m_offsets.rbegin()->first + 1LL;
        auto oldSize = oldTrailer.getKey("/Size");
        if (oldSize.isInteger()) {
            size = std::max(size, oldSize.getIntValue());
        }
        auto trailer = QPDFObjectHandle::newDictionary();
        trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(size));
        for (const char* key : {"/Root", "/Info", "/ID"}) {
            if (oldTrailer.hasKey(key)) {
                trailer.replaceKey(key, oldTrailer.getKey(key));
            }
        }
        trailer.replaceKey("/Prev", QPDFObjectHandle::newInteger(previousXref));
        m_bytes +=
            "trailer\n" + trailer.unparse() + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    }

    const std::string& Bytes() const { return m_bytes; }
    const std::vector<WrittenStream>& Streams() const { return m_streams; }

private:
    off_t Position() const { return m_base + static_cast<off_t>(m_bytes.size()); }

    off_t m_base;
    std::string m_bytes;
    std::map<int, std::pair<off_t, int>> m_offsets;
    std::vector<WrittenStream> m_streams;
};

// Lays out the file's page tree for this update: the pages appended since
// the last one join the last group (and new groups after it); when pages
// were not only appended, or the file's layout is not known, every page is
// grouped afresh. Fills the composer's replacements (pages with their group
// as parent, the groups, the root with the groups as kids) and `extra` with
// the older objects that must be written for it. Returns the new layout.
FilePageTree LayOutPageTree(QPDF& pdf, const FilePageTree& tree, int baseObjectId, bool rootChanged,
                            CUpdateComposer& update, std::set<QPDFObjGen>& extra) {
    auto root = pdf.getRoot().getKey("/Pages");
    if (!root.isIndirect() || !root.isDictionary() || !rootChanged) {
        // The file's tree stays as it is.
        return tree;
    }
    const std::vector<QPDFObjectHandle>& pages = pdf.getAllPages();
    bool append = tree.valid && pages.size() >= tree.pageCount &&
                  (tree.pageCount == 0 ||
                   QPDFObjectHandle(pages[tree.pageCount - 1]).getObjGen() == tree.lastPage);
    // An older page written for another reason would take its flat parent
    // from memory; all pages are then grouped afresh with their parents.
    for (const auto& id : extra) {
        if (append && id.getObj() <= baseObjectId && pdf.getObjectByObjGen(id).isPageObject()) {
            append = false;
        }
    }
    for (size_t i = append ? tree.pageCount : pages.size(); i < pages.size(); ++i) {
        if (QPDFObjectHandle(pages[i]).getObjectID() <= baseObjectId) {
            append = false;
        }
    }
    FilePageTree next = append ? tree : FilePageTree{};
    const size_t firstPlaced = append ? tree.pageCount : 0;
    // The kids of every group this update writes.
    std::map<QPDFObjGen, std::vector<QPDFObjGen>> touched;
    std::map<QPDFObjGen, QPDFObjectHandle> groupObjects;
    for (size_t i = firstPlaced; i < pages.size(); ++i) {
        if (next.groups.empty() || next.lastGroupPages.size() >= FilePageTree::kPagesPerGroup) {
            auto group = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            next.groups.push_back(group.getObjGen());
            next.groupCounts.push_back(0);
            next.lastGroupPages.clear();
            groupObjects[group.getObjGen()] = group;
        }
        const QPDFObjGen group = next.groups.back();
        if (!groupObjects.count(group)) {
            groupObjects[group] = pdf.getObjectByObjGen(group);
        }
        if (!touched.count(group)) {
            touched[group] = next.lastGroupPages;
        }
        QPDFObjectHandle page = pages[i];
        touched[group].push_back(page.getObjGen());
        next.lastGroupPages.push_back(page.getObjGen());
        ++next.groupCounts.back();
        auto copy = page.shallowCopy();
        copy.replaceKey("/Parent", groupObjects[group]);
        update.replacements[page.getObjGen()] = copy;
        if (page.getObjectID() <= baseObjectId) {
            extra.insert(page.getObjGen());
        }
    }
    for (const auto& [group, kids] : touched) {
        auto node = QPDFObjectHandle::newDictionary();
        node.replaceKey("/Type", QPDFObjectHandle::newName("/Pages"));
        node.replaceKey("/Parent", root);
        auto array = QPDFObjectHandle::newArray();
        for (const auto& kid : kids) {
            array.appendItem(pdf.getObjectByObjGen(kid));
        }
        node.replaceKey("/Kids", array);
        node.replaceKey("/Count",
                        QPDFObjectHandle::newInteger(static_cast<long long>(kids.size())));
        update.replacements[group] = node;
        if (group.getObj() <= baseObjectId) {
            extra.insert(group);
        }
    }
    // The root in memory lists every page as a kid (qpdf flattens the tree):
    // copying it whole would cost a save the size of the document.
    auto rootCopy = QPDFObjectHandle::newDictionary();
    for (const auto& key : root.getKeys()) {
        if (key != "/Kids") {
            rootCopy.replaceKey(key, root.getKey(key));
        }
    }
    auto kids = QPDFObjectHandle::newArray();
    for (const auto& group : next.groups) {
        kids.appendItem(pdf.getObjectByObjGen(group));
    }
    rootCopy.replaceKey("/Kids", kids);
    rootCopy.replaceKey("/Count",
                        QPDFObjectHandle::newInteger(static_cast<long long>(pages.size())));
    update.replacements[root.getObjGen()] = rootCopy;
    if (root.getObjectID() <= baseObjectId) {
        extra.insert(root.getObjGen());
    }
    next.valid = true;
    next.pageCount = pages.size();
    next.lastPage = pages.empty() ? QPDFObjGen() : QPDFObjectHandle(pages.back()).getObjGen();
    return next;
}

} // namespace

CWrittenStreams::~CWrittenStreams() {
    ::close(m_fd);
}

void CWrittenStreams::Add(QPDFObjGen object, off_t offset, size_t length) {
    m_places[object] = Place{offset, length};
}

void CWrittenStreams::provideStreamData(QPDFObjGen const& object, Pipeline* pipeline) {
    auto found = m_places.find(object);
    if (found != m_places.end()) {
        off_t offset = found->second.offset;
        size_t left = found->second.length;
        m_chunk.resize(std::min(left, size_t{64 * 1024}));
        std::vector<unsigned char>& chunk = m_chunk;
        while (left > 0) {
            const size_t want = std::min(left, chunk.size());
            const ssize_t got = ::pread(m_fd, chunk.data(), want, offset);
            if (got <= 0) {
                throw std::runtime_error("stream data of a written file cannot be read");
            }
            pipeline->write(chunk.data(), static_cast<size_t>(got));
            offset += got;
            left -= static_cast<size_t>(got);
        }
    }
    pipeline->finish();
}

UpdateResult AppendIncrementalUpdate(QPDF& pdf, const std::set<QPDFObjGen>& changed,
                                     int baseObjectId, const std::string& path,
                                     const FileStamp& expected, FileStamp& written,
                                     FilePageTree& tree, std::shared_ptr<CWrittenStreams>& streams,
                                     bool& detached) {
    detached = false;
    if (pdf.isEncrypted()) {
        return UpdateResult::NotApplicable;
    }
    CDescriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (file.Get() < 0) {
        return UpdateResult::NotApplicable;
    }
    auto stamp = StampOfDescriptor(file.Get());
    if (!stamp || *stamp != expected) {
        return UpdateResult::NotApplicable;
    }
    const off_t oldSize = stamp->size;
    const long long previousXref = PreviousXrefOffset(file.Get(), oldSize);
    if (previousXref < 0 || !IsXrefTableAt(file.Get(), previousXref)) {
        return UpdateResult::NotApplicable;
    }

    // Nothing new and nothing changed: the file already is the document.
    bool anything = false;
    for (const auto& id : changed) {
        anything = anything || id.getObj() <= baseObjectId;
    }
    if (!anything && static_cast<int>(pdf.getObjectCount()) <= baseObjectId) {
        written = *stamp;
        detached = true;
        return UpdateResult::Written;
    }

    // New objects first and the changed older ones last: the older objects
    // tie the new ones into the document, so they come after what they
    // refer to.
    CUpdateComposer update(oldSize);
    FilePageTree nextTree;
    try {
        auto root = pdf.getRoot().getKey("/Pages");
        const bool rootChanged = root.isIndirect() && (changed.count(root.getObjGen()) > 0 ||
                                                       root.getObjectID() > baseObjectId);
        std::set<QPDFObjGen> older = changed;
        nextTree = LayOutPageTree(pdf, tree, baseObjectId, rootChanged, update, older);
        // qpdf numbers new objects upwards from the highest number in use,
        // so the new ones are exactly those above the base; walking only
        // them keeps a save's cost independent of the size of the file.
        const int highest = static_cast<int>(pdf.getObjectCount());
        for (int id = baseObjectId + 1; id <= highest; ++id) {
            auto object = pdf.getObjectByID(id, 0);
            if (!object.isNull()) {
                update.AddObject(object);
            }
        }
        for (const auto& id : older) {
            if (id.getObj() <= baseObjectId) {
                update.AddObject(pdf.getObjectByObjGen(id));
            }
        }
        update.Finish(pdf.getTrailer(), previousXref);
    } catch (...) {
        // An object that cannot be read or written this way (a damaged
        // stream, say) is left to a complete save.
        return UpdateResult::NotApplicable;
    }
    // A cross-reference entry holds ten digits of offset.
    constexpr long long kLargestOffset = 9999999999LL;
    if (oldSize + static_cast<long long>(update.Bytes().size()) > kLargestOffset) {
        return UpdateResult::NotApplicable;
    }

    if (!WriteAll(file.Get(), update.Bytes(), oldSize) || ::fdatasync(file.Get()) != 0) {
        if (::ftruncate(file.Get(), oldSize) == 0) {
            ::fdatasync(file.Get());
        }
        SaveEnded();
        return UpdateResult::Failed;
    }
    SaveEnded();
    auto after = StampOfDescriptor(file.Get());
    if (!after) {
        return UpdateResult::Failed;
    }
    written = *after;
    tree = nextTree;

    // From now on the written streams come from this file.
    detached = false;
    struct stat known {};
    if (!streams || ::fstat(streams->Descriptor(), &known) != 0 || known.st_dev != written.device ||
        known.st_ino != written.inode) {
        const int reader = ::fcntl(file.Get(), F_DUPFD_CLOEXEC, 0);
        streams = reader >= 0 ? std::make_shared<CWrittenStreams>(reader) : nullptr;
    }
    if (streams) {
        for (const auto& place : update.Streams()) {
            streams->Add(place.stream.getObjGen(), place.offset, place.length);
        }
        try {
            for (const auto& place : update.Streams()) {
                QPDFObjectHandle(place.stream)
                    .replaceStreamData(streams, QPDFObjectHandle(), QPDFObjectHandle());
            }
            detached = true;
        } catch (...) {
        }
    }
    return UpdateResult::Written;
}

} // namespace quorvel
