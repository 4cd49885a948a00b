#pragma once

#include "engine/Secret.h"
#include "pdfserver/DocumentView.h"
#include "pdfserver/FileStamp.h"
#include "pdfserver/PdfInstance.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

class CPdfDocument;

// What the objects of one document server share: the documents and views
// they opened, so that the application object can find the active view and
// close everything at once.
class CServerState {
public:
    CServerState() = default;
    // Rewrites compactly the files that still end in incremental updates.
    ~CServerState();
    CServerState(const CServerState&) = delete;
    CServerState& operator=(const CServerState&) = delete;

    // Makes a new, closed document known to the server.
    std::shared_ptr<CPdfDocument> NewDocument();
    // Remembers a parsed file so that CloseAll can break chains of sources.
    void RegisterInstance(const std::shared_ptr<PdfInstance>& instance);
    // Remembers a view; the latest open one is the active view.
    void RegisterView(const std::shared_ptr<DocumentView>& view);
    // The most recently opened view that is still open on an open document;
    // null when there is none.
    std::shared_ptr<DocumentView> ActiveView();
    // Closes every view and document and releases every parsed file.
    void CloseAll();
    // Number of parsed files still alive (held by documents, as sources or
    // kept for a file this server wrote).
    int LiveInstanceCount();

    // Files this server wrote. `updated` says that the last write appended
    // an incremental update rather than writing the whole file.
    void NoteWritten(const std::string& path, const FileStamp& stamp, int16_t flags, bool updated);
    // Whether the file at `path` with `stamp` is one this server wrote.
    bool IsWrittenByServer(const std::string& path, const FileStamp& stamp) const;
    // Keeps the parsed document of a file this server wrote for the next
    // Open, as long as the file keeps `stamp`.
    void KeepParsed(const std::string& path, std::shared_ptr<PdfInstance> instance,
                    int baseObjectId, const FileStamp& stamp);
    // The kept parsed document of `path` when the file is still the one it
    // was kept for (it is then no longer kept); null otherwise.
    std::shared_ptr<PdfInstance> TakeParsed(const std::string& path, int& baseObjectId,
                                            FileStamp& stamp);
    // Rewrites, whole and compact, every file whose last write was an
    // incremental update and that nobody has changed since; then forgets
    // every written file.
    void CompactWrittenFiles();

    // Documents open `path` with `password` from now on.
    void SetPassword(const std::string& path, const CSecret& password);
    // The password to open `path` with: NUL-terminated, null when none is set.
    const char* PasswordFor(const std::string& path) const;

    // Counts the objects a client holds. When the last one is let go (a run
    // ended, however it ended) the written files are compacted.
    void AddClient() { ++m_nClients; }
    void ReleaseClient();

private:
    struct WrittenFile {
        FileStamp stamp;
        int16_t flags = 0;
        bool updated = false;
        std::shared_ptr<PdfInstance> instance;
        int baseObjectId = 0;
    };

    template <class T> static void Prune(std::vector<std::weak_ptr<T>>& items);

    std::vector<std::weak_ptr<CPdfDocument>> m_documents;
    std::vector<std::weak_ptr<DocumentView>> m_views;
    std::vector<std::weak_ptr<PdfInstance>> m_instances;
    std::map<std::string, WrittenFile> m_written;
    std::map<std::string, CSecret> m_passwords;
    int m_nClients = 0;
};

} // namespace quorvel
