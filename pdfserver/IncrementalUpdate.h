#pragma once

#include "pdfserver/FileStamp.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quorvel {

// Stream data that lives in a file this server wrote: where each stream's
// bytes start and how many there are. The descriptor stays on the file that
// was written, even when its path is later given to another file; one
// descriptor serves every update of the same file.
class CWrittenStreams : public QPDFObjectHandle::StreamDataProvider {
public:
    explicit CWrittenStreams(int fd) : m_fd(fd) {}
    ~CWrittenStreams() override;
    CWrittenStreams(const CWrittenStreams&) = delete;
    CWrittenStreams& operator=(const CWrittenStreams&) = delete;

    int Descriptor() const { return m_fd; }
    void Add(QPDFObjGen object, off_t offset, size_t length);
    void provideStreamData(QPDFObjGen const& object, Pipeline* pipeline) override;

private:
    struct Place {
        off_t offset;
        size_t length;
    };
    int m_fd;
    std::map<QPDFObjGen, Place> m_places;
    std::vector<unsigned char> m_chunk;
};

// How the page tree of a file this server appends to is laid out on disk:
// the root's kids are groups of at most kPagesPerGroup pages each, so that
// appending pages rewrites the last group and the root, never every page.
// qpdf keeps its own flat list of pages in memory; only the file is grouped.
struct FilePageTree {
    static constexpr size_t kPagesPerGroup = 256;
    // The groups below describe the file; false until an update laid it out.
    bool valid = false;
    std::vector<QPDFObjGen> groups;
    std::vector<long long> groupCounts;
    std::vector<QPDFObjGen> lastGroupPages;
    size_t pageCount = 0;
    QPDFObjGen lastPage;
};

enum class UpdateResult {
    Written,       // the update is on disk and synced
    NotApplicable, // the file is not in a state an update can follow; nothing written
    Failed,        // writing failed; the file was cut back to what it was
};

// Appends to `path` an incremental update holding every object of `pdf`
// numbered above `baseObjectId` and the older objects in `changed`, followed
// by a cross-reference section and a trailer that points back to the file's
// previous section. The file must still have the stamp `expected` (the state
// `pdf` was read from or last written to) and end in a cross-reference
// table; an encrypted document is never updated this way. The update is
// composed in memory and written in one piece at the old end of the file,
// then synced; when writing or syncing fails, the file is cut back to its old
// length. The page tree goes to the file grouped as `tree` describes (laid
// out afresh when the pages were not only appended since); `tree` is updated
// once the update is written. On success `written` is the file's new stamp, and the streams just
// written read their data from the file from then on (through `streams`,
// made or reused here), so that nothing keeps the files they were copied
// from; `detached` says whether that worked for every one of them.
UpdateResult AppendIncrementalUpdate(QPDF& pdf, const std::set<QPDFObjGen>& changed,
                                     int baseObjectId, const std::string& path,
                                     const FileStamp& expected, FileStamp& written,
                                     FilePageTree& tree, std::shared_ptr<CWrittenStreams>& streams,
                                     bool& detached);

} // namespace quorvel
