// Fuzzes the document server with any bytes as a source file, through the
// calls one row of an append run makes: a new output, Open of the source,
// InsertPages with its outline items, a bookmark named after the source,
// Save, and then Open of the saved file by a fresh document. A second row
// then appends the source again to the saved file, which the server writes
// as an incremental update.
//
// What must hold beyond "no crash, no hang": a page count is never negative;
// an insert that succeeds adds exactly the pages asked for, and one that
// fails leaves the document's pages as they were; a save that
// succeeds writes a file the server itself opens again with the same page
// count; a failed save leaves no file behind; after the second row a server
// that never saw the file reads it with both rows' pages, and a failed
// second save leaves the first file as it was. Every /StructParents of a
// saved page and /StructParent of a saved annotation is a number of the
// saved file's parent tree, used once: copied pages either bring their
// structure with new numbers or come untagged.
//
// The qpdf library is not instrumented, so coverage feedback comes from the
// server's own code; pass real PDFs as extra corpus folders to go further:
//   DocumentServer_fuzz -max_total_time=600 CORPUS tests/fuzz/seeds/DocumentServer ../shared/corpus

#include "engine/Automation.h"
#include "pdfserver/DocumentServer.h"
#include "pdfserver/StructTreeReport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace quorvel;

// Large page trees only slow the run down: their pages take the same paths.
constexpr int32_t kMaxPagesCopied = 64;

// Aborts, naming the line of the check that failed.
void Check(bool condition, int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}

// One folder per process, removed at exit: "source.pdf" is rewritten for
// every input, "out.pdf" is where the output is saved.
const std::string& WorkFolder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base && *base ? base : "/tmp") + "/quorvel-server-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr);
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return pattern;
    }();
    return folder;
}

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0);
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        Check(n > 0);
        data += n;
        size -= static_cast<size_t>(n);
    }
    ::close(fd);
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Adds a bookmark on page `page` the way the append run names one after its
// source: a view of the output, its page view, the "NewBookmark" menu item,
// then the new item found by its title and renamed.
void AddBookmark(IAutomationFactory& factory, IAcroApp& app,
                 const std::shared_ptr<IAcroPDDoc>& output, const std::string& outputPath,
                 int32_t page) {
    auto view = output->OpenAVDoc(outputPath);
    if (!view)
        return;
    auto pageView = view->GetAVPageView();
    if (!pageView)
        return;
    pageView->GoTo(page);
    if (app.MenuItemExecute("NewBookmark") == 0)
        return;
    auto bookmark = CreateAs<IAcroPDBookmark>(factory, kProgIdPDBookmark);
    Check(bookmark != nullptr);
    if (bookmark->GetByTitle(output, "Untitled") != 0)
        bookmark->SetTitle("source.pdf");
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Check(fd >= 0);
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return bytes;
}

// The second row: the saved output opened again, the source appended once
// more, saved onto itself.
void AppendAgain(IAutomationFactory& factory, const std::string& sourcePath,
                 const std::string& outputPath, int32_t pagesBefore) {
    const std::string before = ReadAll(outputPath);
    auto output = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
    auto source = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
    Check(output && source && output->Open(outputPath) != 0);
    Check(output->GetNumPages() == pagesBefore);
    if (source->Open(sourcePath) != 0) {
        const int32_t count = std::min(source->GetNumPages(), kMaxPagesCopied);
        if (count > 0 && output->InsertPages(pagesBefore - 1, source, 0, count, 1) != 0)
            Check(output->GetNumPages() == pagesBefore + count);
        else
            Check(output->GetNumPages() == pagesBefore);
        source->Close();
    }
    const int32_t expected = output->GetNumPages();
    if (output->Save(0x21, outputPath) == 0) {
        Check(ReadAll(outputPath) == before);
        return;
    }
    output->Close();
    auto fresh = CreateDocumentServerFactory();
    auto reread = CreateAs<IAcroPDDoc>(*fresh, kProgIdPDDoc);
    Check(reread && reread->Open(outputPath) != 0);
    Check(reread->GetNumPages() == expected);
    Check(ReadStructTree(outputPath, false).danglingNumbers == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sourcePath = WorkFolder() + "/source.pdf";
    const std::string outputPath = WorkFolder() + "/out.pdf";
    WriteInput(sourcePath, data, size);
    ::unlink(outputPath.c_str());

    std::shared_ptr<IAutomationFactory> factory = CreateDocumentServerFactory();
    auto app = CreateAs<IAcroApp>(*factory, kProgIdApp);
    auto source = CreateAs<IAcroPDDoc>(*factory, kProgIdPDDoc);
    auto output = CreateAs<IAcroPDDoc>(*factory, kProgIdPDDoc);
    Check(app && source && output);
    try {
        output->Create();
    } catch (const AutomationException&) {
        std::abort(); // nothing about the input can make Create fail
    }

    if (source->Open(sourcePath) != 0) {
        const int32_t pages = source->GetNumPages();
        Check(pages >= 0);
        const int32_t count = std::min(pages, kMaxPagesCopied);
        // A range beyond the source is refused and changes nothing.
        Check(output->InsertPages(-1, source, pages, 1, 1) == 0);
        Check(output->GetNumPages() == 0);
        if (count > 0 && output->InsertPages(-1, source, 0, count, 1) != 0) {
            Check(output->GetNumPages() == count);
            AddBookmark(*factory, *app, output, outputPath, count - 1);
        } else {
            Check(output->GetNumPages() == 0);
        }
        Check(source->Close() != 0);
    }

    const int32_t saved = output->GetNumPages();
    if (output->Save(0x21, outputPath) != 0) {
        auto reread = CreateAs<IAcroPDDoc>(*factory, kProgIdPDDoc);
        Check(reread && reread->Open(outputPath) != 0);
        Check(reread->GetNumPages() == saved);
        reread->Close();
        Check(ReadStructTree(outputPath, false).danglingNumbers == 0);
        output->Close();
        AppendAgain(*factory, sourcePath, outputPath, saved);
    } else {
        Check(!Exists(outputPath));
    }
    output->Close();
    app->CloseAllDocs();
    app->Exit();
    return 0;
}
