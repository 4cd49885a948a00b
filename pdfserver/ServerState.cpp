#include "pdfserver/ServerState.h"

#include "pdfserver/CompleteFileWriter.h"
#include "pdfserver/PdfDocument.h"

#include <algorithm>

namespace quorvel {

template <class T> void CServerState::Prune(std::vector<std::weak_ptr<T>>& items) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const std::weak_ptr<T>& item) { return item.expired(); }),
                items.end());
}

std::shared_ptr<CPdfDocument> CServerState::NewDocument() {
    Prune(m_documents);
    auto document = std::make_shared<CPdfDocument>(*this);
    m_documents.push_back(document);
    return document;
}

CServerState::~CServerState() {
    try {
        CompactWrittenFiles();
    } catch (...) {
    }
}

void CServerState::RegisterInstance(const std::shared_ptr<PdfInstance>& instance) {
    Prune(m_instances);
    for (const auto& known : m_instances) {
        if (known.lock() == instance) {
            return;
        }
    }
    m_instances.push_back(instance);
}

void CServerState::RegisterView(const std::shared_ptr<DocumentView>& view) {
    Prune(m_views);
    m_views.push_back(view);
}

std::shared_ptr<DocumentView> CServerState::ActiveView() {
    for (auto it = m_views.rbegin(); it != m_views.rend(); ++it) {
        auto view = it->lock();
        if (view && view->open && view->document && view->document->IsOpen()) {
            return view;
        }
    }
    return nullptr;
}

void CServerState::CloseAll() {
    for (auto& weak : m_views) {
        if (auto view = weak.lock()) {
            view->open = false;
            view->document.reset();
        }
    }
    for (auto& weak : m_documents) {
        if (auto document = weak.lock()) {
            document->Close();
        }
    }
    // Two unsaved documents that copied from each other hold each other's
    // files; clearing every source list frees such rings as well.
    for (auto& weak : m_instances) {
        if (auto instance = weak.lock()) {
            instance->sources.clear();
        }
    }
    CompactWrittenFiles();
    Prune(m_views);
    Prune(m_documents);
    Prune(m_instances);
}

int CServerState::LiveInstanceCount() {
    Prune(m_instances);
    return static_cast<int>(m_instances.size());
}

void CServerState::NoteWritten(const std::string& path, const FileStamp& stamp, int16_t flags,
                               bool updated) {
    WrittenFile& file = m_written[path];
    file.stamp = stamp;
    file.flags = flags;
    file.updated = updated;
    file.instance.reset();
}

bool CServerState::IsWrittenByServer(const std::string& path, const FileStamp& stamp) const {
    auto found = m_written.find(path);
    return found != m_written.end() && found->second.stamp == stamp;
}

void CServerState::KeepParsed(const std::string& path, std::shared_ptr<PdfInstance> instance,
                              int baseObjectId, const FileStamp& stamp) {
    auto found = m_written.find(path);
    if (found == m_written.end() || found->second.stamp != stamp) {
        return;
    }
    found->second.instance = std::move(instance);
    found->second.baseObjectId = baseObjectId;
}

std::shared_ptr<PdfInstance> CServerState::TakeParsed(const std::string& path, int& baseObjectId,
                                                      FileStamp& stamp) {
    auto found = m_written.find(path);
    if (found == m_written.end() || !found->second.instance) {
        return nullptr;
    }
    auto instance = std::move(found->second.instance);
    found->second.instance.reset();
    auto current = StampOf(path);
    if (!current || *current != found->second.stamp) {
        // Someone else wrote the file since: it is theirs now.
        m_written.erase(found);
        return nullptr;
    }
    baseObjectId = found->second.baseObjectId;
    stamp = found->second.stamp;
    return instance;
}

void CServerState::ReleaseClient() {
    if (--m_nClients > 0) {
        return;
    }
    m_nClients = 0;
    try {
        CompactWrittenFiles();
    } catch (...) {
        // The updated files stay as they are: complete, only larger.
    }
}

void CServerState::CompactWrittenFiles() {
    auto written = std::move(m_written);
    m_written.clear();
    for (auto& [path, file] : written) {
        auto kept = std::move(file.instance);
        if (!file.updated) {
            continue;
        }
        auto current = StampOf(path);
        if (!current || *current != file.stamp) {
            continue;
        }
        try {
            // The kept parsed file is what was appended, object for object;
            // without one, the file is parsed afresh.
            if (kept) {
                WriteCompleteFile(kept->pdf, file.flags, path);
                continue;
            }
            QPDF pdf;
            pdf.setSuppressWarnings(true);
            pdf.processFile(path.c_str(), PasswordFor(path));
            WriteCompleteFile(pdf, file.flags, path);
        } catch (...) {
            // The updated file stays as it is: complete, only larger.
        }
    }
}

void CServerState::SetPassword(const std::string& path, const CSecret& password) {
    m_passwords[path] = password;
}

const char* CServerState::PasswordFor(const std::string& path) const {
    auto it = m_passwords.find(path);
    return it == m_passwords.end() ? nullptr : it->second.CStr();
}

} // namespace quorvel
