// quorvel-cli validate OUTPUT EXPRESSION PAGES: the check an entry's output
// file and append parameters must pass before the entry is accepted. Prints
// "valid", or the refusal as "caption: text" on standard error.

#include "cli/CliCommand.h"
#include "cli/ConsoleMessageHost.h"
#include "engine/AppendParams.h"
#include "engine/JobColumn.h"

#include <cstdio>
#include <string>

namespace quorvel::cli {
namespace {

int RunValidate(const std::vector<std::string>& args) {
    if (args.size() != 3)
        return kUsageError;
    CConsoleMessageHost host;
    if (!ValidateAppendParameters(args[0], args[1], ReadDecimal(args[2]), host))
        return 1;
    std::printf("valid\n");
    return 0;
}

const CliRegistrar registrar({"validate", "validate OUTPUT EXPRESSION PAGES", RunValidate});

} // namespace
} // namespace quorvel::cli
