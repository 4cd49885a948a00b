#pragma once

#include "pdfserver/CopyRow.h"
#include "pdfserver/FileStamp.h"
#include "pdfserver/PdfInstance.h"

#include <qpdf/QPDFObjGen.hh>

#include <cstdint>
#include <memory>
#include <optional>
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
    // Closes the document (see Close).
    ~CPdfDocument();
    CPdfDocument(const CPdfDocument&) = delete;
    CPdfDocument& operator=(const CPdfDocument&) = delete;

    // Parses `path`. Encrypted files open only when the password set for
    // them on the server (else the empty one) unlocks them. Fails when the file cannot be parsed or
    // its page tree cannot be read. Replaces whatever the document held before. A file this server
    // wrote and nobody changed since is not parsed again: the document takes up the parsed file
    // kept from the last time.
    bool Open(const std::string& path);
    // Makes a new document without pages.
    bool Create();
    // Releases the parsed file (documents that copied from it keep it). The
    // parsed file of a file this server wrote, unchanged since, is kept for
    // the next Open of the same path.
    void Close();
    bool IsOpen() const { return m_instance != nullptr; }

    // Page count; 0 when closed or unreadable.
    int GetNumPages();

    // Copies `count` pages of `source` starting at its page `first` after
    // page `insertAfter` (-1: before the first). With `copyBookmarks`, also
    // copies the source's outline items that point into those pages. Fails
    // for a range outside the source or an insert point outside this
    // document; a count of 0 inserts nothing and succeeds. Inserts from one
    // source until the next save or another source form a row (see
    // CCopyRow): links, outline items and names resolve across all its
    // ranges.
    bool InsertPages(int insertAfter, CPdfDocument& source, int first, int count,
                     bool copyBookmarks);

    // Writes the document to `path`. When the document was opened from
    // `path`, the file is one this server wrote, nobody changed it since and
    // it is not encrypted, the new and changed objects are appended to it as
    // an incremental update (the server rewrites such files whole and
    // compact when all documents are closed). Otherwise a complete file is
    // written through a temporary file in the same folder that replaces the
    // target only once fully written and synced; flags 0x20 drops objects
    // nothing refers to. Either way the file on disk is complete and valid
    // after every Save, and a failed Save leaves it as it was. Afterwards
    // the document reads from the written file, and the files it copied from
    // are released.
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
    void Adopt(std::shared_ptr<PdfInstance> instance, const std::string& path, int baseObjectId);
    void MarkChanged(QPDFObjectHandle object);
    void MarkFormChanged(QPDFObjectHandle form);
    void ChooseCopyMode(CPdfDocument& source);
    // Ends the current row of inserts from one source, if any.
    void FinishRow();
    bool SaveIncrementally(int16_t flags, const std::string& path, bool& saved);

    CServerState& m_state;
    std::shared_ptr<PdfInstance> m_instance;
    std::string m_strPath;
    unsigned m_nRevision = 0;
    // Objects with ids up to this existed when the file was parsed.
    int m_nBaseObjectId = 0;
    std::set<QPDFObjGen> m_changedObjects;
    QPDFObjGen m_lastBookmark;
    std::unique_ptr<CCopyRow> m_row;
    // The state of the file the document was read from or last written to.
    std::optional<FileStamp> m_stamp;
    // Changed in memory since it was opened, created or saved.
    bool m_bModified = false;
};

} // namespace quorvel
