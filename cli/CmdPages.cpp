// quorvel-cli pages [--password-file FILE] FILE...: the page count of each
// file as the job list shows it ("COUNT<TAB>FILE" a line): the PDF library
// first, the document server when the library gives no count. A file that
// needs a password takes it from the password file (see CPasswordFile).
// Exits 1 when some file got no positive count.

#include "cli/CliCommand.h"
#include "cli/ConsoleMessageHost.h"
#include "cli/PasswordFile.h"
#include "engine/SourcePasswords.h"
#include "pdfserver/DocumentServer.h"
#include "support/PageCountProbe.h"

#include <cstdio>

namespace quorvel::cli {
namespace {

int RunPages(const std::vector<std::string>& commandArgs) {
    std::vector<std::string> args = commandArgs;
    std::string passwordFile;
    if (!TakePasswordFileOption(args, passwordFile) || args.empty())
        return kUsageError;
    CPasswordFile answers;
    if (!LoadPasswordFile(passwordFile, answers))
        return 1;
    CSourcePasswords passwords;
    passwords.SetProvider(&answers);
    std::shared_ptr<IAutomationFactory> factory = CreateDocumentServerFactory();
    CConsoleMessageHost console(stderr);
    CWindowlessConnectionHost host(console);
    int rc = 0;
    for (const std::string& file : args) {
        const int count = GetPageCountUnlocking(passwords, file, ProbePdf, factory.get(), host);
        std::printf("%d\t%s\n", count, file.c_str());
        std::fflush(stdout);
        if (count < 1)
            rc = 1;
    }
    return rc;
}

const CliRegistrar registrar({"pages", "pages [--password-file FILE] FILE...", RunPages});

} // namespace
} // namespace quorvel::cli
