#pragma once

#include "pdfserver/PdfInstance.h"

#include <qpdf/QPDFObjGen.hh>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace quorvel {

class CServerState;

// One document of the document server: a parsed file or a new document,
// what was changed in it since it was opened, and the files it copied
// pages from. Every method catches qpdf's exceptions and reports failure
// by its result.
class CPdfDocument {
public:
    explicit CPdfDocument(CServerState& state);

    // Parses `path`. Encrypted files open only when the empty password
    // unlocks them. Fails when the file cannot be parsed or its page tree
    // cannot be read. Replaces whatever the document held before.
    bool Open(const std::string& path);
    // Makes a new document without pages.
    bool Create();
    // Releases the parsed file (documents that copied from it keep it).
    void Close();
    bool IsOpen() const { return m_instance != nullptr; }

    // Page count; 0 when closed or unreadable.
    int GetNumPages();

    // Copies `count` pages of `source` starting at its page `first` after
    // page `insertAfter` (-1: before the first). With `copyBookmarks`, also
    // copies the source's outline items that point into those pages. Fails
    // for a range outside the source or an insert point outside this
    // document; a count of 0 inserts nothing and succeeds.
    bool InsertPages(int insertAfter, CPdfDocument& source, int first, int count,
                     bool copyBookmarks);

    // Writes a complete file to `path` through a temporary file in the same
    // folder that replaces the target only once fully written and synced.
    // flags 0x20 drops objects nothing refers to; without it they are kept.
    // Afterwards the document reads from the written file, and the files it
    // copied from are released.
    bool Save(int16_t flags, const std::string& path);

    // Appends a top-level outline item pointing at page `page` (0-based).
    bool AddBookmark(const std::string& title, int page);
    // The first outline item titled exactly `title` (UTF-8), preferring the
    // item the last AddBookmark made; an invalid id when there is none.
    QPDFObjGen FindBookmark(const std::string& title);
    // Renames an outline item found by FindBookmark in the same revision.
    bool SetBookmarkTitle(QPDFObjGen item, const std::string& title);

    // Counts replacements of the parsed file (each Open, Create and Save);
    // object ids are only meaningful within one revision.
    unsigned GetRevision() const { return m_nRevision; }

    // Objects that were added or changed since the document was opened,
    // created or last saved: what an incremental update would have to write.
    std::set<QPDFObjGen> GetChangedObjects();

    // The file the document was opened from or last saved to; empty for a
    // new document.
    const std::string& GetPath() const { return m_strPath; }

    // The parsed file, null when closed.
    std::shared_ptr<PdfInstance> GetInstance() const { return m_instance; }

private:
    void Adopt(std::shared_ptr<PdfInstance> instance, const std::string& path);
    void MarkChanged(QPDFObjectHandle object);

    CServerState& m_state;
    std::shared_ptr<PdfInstance> m_instance;
    std::string m_strPath;
    unsigned m_nRevision = 0;
    // Objects with ids up to this existed when the file was parsed.
    int m_nBaseObjectId = 0;
    std::set<QPDFObjGen> m_changedObjects;
    QPDFObjGen m_lastBookmark;
};

} // namespace quorvel
