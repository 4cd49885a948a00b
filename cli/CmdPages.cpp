// quorvel-cli pages FILE...: the page count of each file as the job list
// shows it ("COUNT<TAB>FILE" a line): the PDF library first, the document
// server when the library gives no count. Exits 1 when some file got no
// positive count.

#include "cli/CliCommand.h"
#include "cli/ConsoleMessageHost.h"
#include "pdfserver/DocumentServer.h"
#include "support/PageCountProbe.h"

#include <cstdio>

namespace quorvel::cli {
namespace {

int RunPages(const std::vector<std::string>& args) {
    if (args.empty())
        return kUsageError;
    std::shared_ptr<IAutomationFactory> factory = CreateDocumentServerFactory();
    CConsoleMessageHost console(stderr);
    int rc = 0;
    for (const std::string& file : args) {
        const int count = GetPageCount(file, factory.get(), console);
        std::printf("%d\t%s\n", count, file.c_str());
        std::fflush(stdout);
        if (count < 1)
            rc = 1;
    }
    return rc;
}

const CliRegistrar registrar({"pages", "pages FILE...", RunPages});

} // namespace
} // namespace quorvel::cli
