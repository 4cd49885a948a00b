#include "support/PageCountProbe.h"

#include "support/ProbeMessages.h"

#include <poppler-document.h>
#include <poppler-global.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace quorvel {

namespace {

void IgnorePopplerDiagnostic(const std::string&, void*) {}

// The library reports parse problems of damaged files on standard error;
// they are expected here and mean nothing to the user.
void SilencePoppler() {
    static const bool silenced = [] {
        poppler::set_debug_error_function(IgnorePopplerDiagnostic, nullptr);
        return true;
    }();
    (void)silenced;
}

bool HasPdfHeader(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char header[8] = {};
    size_t read = std::fread(header, 1, 4, f);
    std::fclose(f);
    return read == 4 && std::memcmp(header, "%PDF", 4) == 0;
}

// Forwards messages to a host that has no window: nothing to pump or show.
class CWindowlessConnectionHost : public IConnectionHost {
public:
    explicit CWindowlessConnectionHost(IMessageHost& host) : m_host(host) {}
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        return m_host.MessageBox(text, caption, buttons, icon);
    }
    void PumpOneMessage() override {}
    void ShowConnectDialog() override {}
    void CloseConnectDialog() override {}

private:
    IMessageHost& m_host;
};

} // namespace

int ProbePdfPageCount(const std::string& path) {
    if (path.empty() || !HasPdfHeader(path))
        return 0;
    SilencePoppler();
    int count = 0;
    try {
        std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path, "", ""));
        // A document that still needs a password counts as rejected.
        if (doc && !doc->is_locked())
            count = doc->pages();
    } catch (...) {
        count = 0;
    }
    return count > 0 ? count : 0;
}

int CountPagesWithAcrobat(const std::string& path, IAutomationFactory* factory,
                          IConnectionHost& host) {
    host.ShowConnectDialog();
    std::shared_ptr<IAcroApp> app;
    if (factory)
        app = CreateAs<IAcroApp>(*factory, kProgIdApp);
    host.CloseConnectDialog();
    if (!app) {
        host.MessageBox(ProbeMessages::kConnectFailed, kAppName);
        return 0;
    }
    auto view = CreateAs<IAcroAVDoc>(*factory, kProgIdAVDoc);
    if (!view) {
        host.MessageBox(ProbeMessages::kCreateAVDocFailed, kAppName);
        return 0;
    }
    if (view->Open(path, "") == 0) {
        host.MessageBox(ProbeMessages::kErrorOpeningFile + path, kAppName);
        app->CloseAllDocs();
        return 0;
    }
    std::shared_ptr<IAcroPDDoc> doc = view->GetPDDoc();
    host.PumpOneMessage();
    // A view without a document cannot tell its page count.
    const int count = doc ? doc->GetNumPages() : -1;
    host.PumpOneMessage();
    if (view->Close(1) == 0)
        host.MessageBox(ProbeMessages::kFailedToCloseDoc, kAppName);
    app->CloseAllDocs();
    return count;
}

int GetPageCount(const std::string& path, IAutomationFactory* factory, IConnectionHost& host) {
    const int count = ProbePdfPageCount(path);
    if (count >= 1)
        return count;
    return CountPagesWithAcrobat(path, factory, host);
}

int GetPageCount(const std::string& path, IAutomationFactory* factory, IMessageHost& host) {
    CWindowlessConnectionHost connection(host);
    return GetPageCount(path, factory, connection);
}

} // namespace quorvel
