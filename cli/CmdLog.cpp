// quorvel-cli log: prints the working folder's append log as its CSV export.

#include "cli/CliCommand.h"
#include "support/AppendLog.h"

#include <cstdio>

namespace quorvel::cli {

namespace {

int RunLog(const std::vector<std::string>& args) {
    if (!args.empty())
        return kUsageError;
    std::vector<LogRecord> records;
    if (!ReadLogRecords(kLogFileName, records)) {
        std::fprintf(stderr, "%s: %s\n", kLogFileErrorCaption, kCantOpenLog);
        return 1;
    }
    const std::string csv = FormatLogCsv(records);
    if (std::fwrite(csv.data(), 1, csv.size(), stdout) != csv.size() || std::fflush(stdout) != 0)
        return 1;
    return 0;
}

const CliRegistrar registrar({"log", "log", RunLog});

} // namespace

} // namespace quorvel::cli
