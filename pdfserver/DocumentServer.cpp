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
            return std::make_shared<CAcroApp>(m_state);
        }
        if (progId == kProgIdPDDoc) {
            return std::make_shared<CAcroPDDoc>(m_state, nullptr);
        }
        if (progId == kProgIdAVDoc) {
            return std::make_shared<CAcroAVDoc>(m_state, nullptr);
        }
        if (progId == kProgIdPDBookmark) {
            return std::make_shared<CAcroPDBookmark>();
        }
        return nullptr;
    }
    void SetPassword(const std::string& path, const CSecret& password) override {
        m_state->SetPassword(path, password);
    }

private:
    std::shared_ptr<CServerState> m_state = std::make_shared<CServerState>();
};

} // namespace

std::shared_ptr<IAutomationFactory> CreateDocumentServerFactory() {
    return std::make_shared<CDocumentServerFactory>();
}

} // namespace quorvel
