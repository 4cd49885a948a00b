// quorvel-cli scan: the bulk loads without windows. Each variant builds the
// job list the desktop program's bulk load would build and writes it to
// standard output as a batch file, so that
//   quorvel-cli scan group ... > jobs.app && quorvel-cli run jobs.app
// appends what the bulk load found.

#include "app/BatchFile.h"
#include "app/BatchMessages.h"
#include "bulk/BulkListLoad.h"
#include "bulk/BulkMessages.h"
#include "bulk/FolderWalk.h"
#include "bulk/IntegerField.h"
#include "bulk/ListFile.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleMessageHost.h"
#include "support/PageCountProbe.h"

#include <cstdio>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::cli {
namespace {

// Page counts for the entries, from the PDF library alone: the document
// server's fallback belongs to the append run, and a batch file's counts are
// for the reader's information only (loading it counts the pages anew).
class CScanAddHost : public IAddJobHost {
public:
    int GetPageCount(const std::string& path) override { return ProbePdfPageCount(path); }
};

struct ScanArgs {
    std::string variant;
    std::map<std::string, std::string> options; // "--output" -> value
    bool keepExisting = false;
    std::string target; // FOLDER or LISTFILE
};

// Options that take a value, per variant; --keep-existing takes none.
bool TakesValue(const std::string& variant, const std::string& option) {
    if (variant == "group")
        return option == "--output-dir" || option == "--suffix";
    if (variant == "one")
        return option == "--output" || option == "--contains";
    if (variant == "part")
        return option == "--output-dir" || option == "--chars";
    if (variant == "list")
        return option == "--output";
    return false;
}

bool ParseArgs(const std::vector<std::string>& args, ScanArgs& out) {
    if (args.empty())
        return false;
    out.variant = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--keep-existing" && (out.variant == "one" || out.variant == "list")) {
            out.keepExisting = true;
        } else if (a.rfind("--", 0) == 0) {
            if (!TakesValue(out.variant, a) || i + 1 >= args.size() || out.options.count(a))
                return false;
            out.options[a] = args[++i];
        } else if (out.target.empty()) {
            out.target = a;
        } else {
            return false;
        }
    }
    if (out.target.empty())
        return false;
    auto has = [&](const char* o) { return out.options.count(o) != 0; };
    if (out.variant == "group")
        return has("--output-dir") && has("--suffix");
    if (out.variant == "one" || out.variant == "list")
        return has("--output");
    if (out.variant == "part")
        return has("--output-dir") && has("--chars");
    return false;
}

// The folder to walk, made absolute against the working folder (entries then
// name their files wherever the batch file is run from). Empty when it is
// not an existing folder; the message has been printed then.
std::string FolderToScan(const std::string& given, IMessageHost& messages) {
    std::string folder = given;
    if (folder.empty() || folder[0] != '/') {
        std::string cwd(4096, '\0');
        if (getcwd(cwd.data(), cwd.size()) != nullptr)
            folder = JoinPath(cwd.c_str(), folder);
    }
    folder = RemoveTrailingSeparators(folder);
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        messages.MessageBox(BulkText::FolderInvalid(given), kAppName);
        return {};
    }
    return folder;
}

int RunScan(const std::vector<std::string>& args) {
    ScanArgs a;
    if (!ParseArgs(args, a))
        return kUsageError;
    CConsoleMessageHost messages;
    CMemoryJobList jobs;
    CScanAddHost addHost;
    CJobListScanHost scanHost(jobs, addHost);
    const char* done = BulkText::kBulkFilesLoaded;

    if (a.variant == "list") {
        if (!LoadBulkList(
                a.target, a.options["--output"], !a.keepExisting, jobs,
                [&](const JobEntryFields& f) { return AddJobEntry(jobs, addHost, f); }, messages))
            return 1;
        done = kBulkListLoaded;
    } else {
        int firstChars = 0;
        if (a.variant == "part" && !ParseIntegerField(a.options["--chars"], firstChars)) {
            messages.MessageBox(BulkText::kEnterInteger, kAppName);
            return 1;
        }
        const std::string folder = FolderToScan(a.target, messages);
        if (folder.empty())
            return 1;
        if (a.variant == "group")
            ScanFolderGrouped(scanHost, folder, kPdfExtension, 1, a.options["--output-dir"],
                              a.options["--suffix"]);
        else if (a.variant == "one")
            ScanFolderOneOutput(scanHost, folder, kPdfExtension, 1, a.options["--contains"],
                                a.options["--output"], !a.keepExisting);
        else
            ScanFolderPartName(scanHost, folder, kPdfExtension, 1, firstChars,
                               a.options["--output-dir"]);
    }

    // Rows the batch format cannot hold are left out, as the window's save
    // leaves them out, and named so that a script sees what is missing.
    bool allWritten = true;
    for (int row = 0; row < jobs.RowCount(); ++row) {
        if (!CanHoldBatchRow(jobs, row)) {
            std::fprintf(stderr, "%s: %s\n", kUnsavedRowsCaption,
                         UnsavedRowName(jobs.Text(row, Filename)).c_str());
            allWritten = false;
            continue;
        }
        const std::string line = FormatBatchLine(jobs, row);
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size())
            break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: %s\n", kCantWriteBatchCaption, "(standard output)");
        return 1;
    }
    messages.MessageBox(done, kAppName);
    return allWritten ? 0 : 1;
}

const CliRegistrar
    registrar({"scan",
               "scan group --output-dir DIR --suffix TEXT FOLDER\n"
               "  quorvel-cli scan one --output FILE [--contains TEXT] [--keep-existing] FOLDER\n"
               "  quorvel-cli scan part --output-dir DIR --chars N FOLDER\n"
               "  quorvel-cli scan list --output FILE [--keep-existing] LISTFILE",
               RunScan});

} // namespace
} // namespace quorvel::cli
