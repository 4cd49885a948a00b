#include "support/PageCountProbe.h"

#include "engine/Secret.h"
#include "support/ProbeMessages.h"
#include "support/RegularFile.h"

#include <poppler-document.h>
#include <poppler-global.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace quorvel {

namespace {

void IgnorePopplerDiagnostic(const std::string&, void*) {}

// A one-page document with an exact cross-reference table: see PrepareLibrary.
constexpr char kKeeperPdf[] = "%PDF-1.4\n"
                              "1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                              "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                              "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 3 3]>>endobj\n"
                              "xref\n0 4\n"
                              "0000000000 65535 f \n"
                              "0000000009 00000 n \n"
                              "0000000052 00000 n \n"
                              "0000000101 00000 n \n"
                              "trailer<</Size 4/Root 1 0 R>>\n"
                              "startxref\n160\n%%EOF\n";

// Once per process, before the first count:
// - The library reports parse problems of damaged files on standard error;
//   they are expected here and mean nothing to the user.
// - The library builds its global tables (glyph names, character maps,
//   encodings) when its first document is loaded and drops them when its last
//   one is destroyed, so counting one file after another would build them anew
//   for every file, at about ten times the cost of the count itself. A tiny
//   document kept open for the life of the process keeps them built. It is
//   never destroyed: the tables must outlive every count, up to exit.
void PrepareLibrary() {
    static const bool prepared = [] {
        poppler::set_debug_error_function(IgnorePopplerDiagnostic, nullptr);
        try {
            static poppler::document* keeper = poppler::document::load_from_raw_data(
                kKeeperPdf, static_cast<int>(sizeof kKeeperPdf - 1), "", "");
            (void)keeper;
        } catch (...) {
            // Counting still works, only without the kept tables.
        }
        return true;
    }();
    (void)prepared;
}

// True when the file is a regular file that can be read and starts with
// "%PDF". Plain descriptor calls: this runs once per counted file.
bool HasPdfHeader(const std::string& path) {
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return false;
    char header[4] = {};
    size_t got = 0;
    while (got < sizeof header) {
        const ssize_t n = ::read(fd, header + got, sizeof header - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    return got == sizeof header && std::memcmp(header, "%PDF", 4) == 0;
}

} // namespace

PdfProbeResult ProbePdf(const std::string& path, std::string_view password) {
    PdfProbeResult result;
    if (path.empty() || !HasPdfHeader(path))
        return result;
    PrepareLibrary();
    try {
        // The library takes passwords as strings of its own; the copy made
        // here is wiped as soon as the document is loaded.
        std::string given(password);
        std::unique_ptr<poppler::document> doc(
            poppler::document::load_from_file(path, given, given));
        WipeString(given);
        // A document that still needs a password counts as rejected.
        if (doc && doc->is_locked())
            result.locked = true;
        else if (doc)
            result.pages = doc->pages();
    } catch (...) {
        result.pages = 0;
    }
    if (result.pages < 0)
        result.pages = 0;
    return result;
}

int ProbePdfPageCount(const std::string& path) {
    return ProbePdf(path, {}).pages;
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
    // A FIFO or device is refused as the server refuses a file it cannot
    // open, without asking the server to wait on it or read it for ever.
    if (KindOfPath(path) == PathKind::Special || view->Open(path, "") == 0) {
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
