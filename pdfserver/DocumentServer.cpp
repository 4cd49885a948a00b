#include "pdfserver/DocumentServer.h"

#include "pdfserver/AcroAVDoc.h"
#include "pdfserver/AcroApp.h"
#include "pdfserver/AcroPDBookmark.h"
#include "pdfserver/AcroPDDoc.h"
#include "pdfserver/ServerState.h"

namespace quorvel {

namespace {

class CDocumentServerFactory : public IAutomationFactory {
public:
    std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) override {
        if (progId == kProgIdApp) {
            return Leased(new CAcroApp(m_state));
        }
        if (progId == kProgIdPDDoc) {
            return Leased(new CAcroPDDoc(m_state, nullptr));
        }
        if (progId == kProgIdAVDoc) {
            return Leased(new CAcroAVDoc(m_state, nullptr));
        }
        if (progId == kProgIdPDBookmark) {
            return Leased(new CAcroPDBookmark());
        }
        return nullptr;
    }
    void SetPassword(const std::string& path, const CSecret& password) override {
        m_state->SetPassword(path, password);
    }

private:
    // The object, counted as held by the client until it is dropped: a run
    // holds its objects from its start to its end, so the outputs it updated
    // are compacted as soon as it lets go of them, whether it ended with
    // CloseAllDocs or not.
    template <class T> std::shared_ptr<IAcroObject> Leased(T* object) {
        m_state->AddClient();
        return std::shared_ptr<T>(object, [state = m_state](T* p) {
            delete p;
            state->ReleaseClient();
        });
    }

    std::shared_ptr<CServerState> m_state = std::make_shared<CServerState>();
};

} // namespace

std::shared_ptr<IAutomationFactory> CreateDocumentServerFactory() {
    return std::make_shared<CDocumentServerFactory>();
}

} // namespace quorvel
