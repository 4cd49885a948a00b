// quorvel-cli expand EXPRESSION PAGES: the page ranges an append-parameters
// expression selects in a document of PAGES pages, one "first-last" a line.

#include "cli/CliCommand.h"
#include "engine/AppendParams.h"
#include "engine/JobColumn.h"

#include <cstdio>
#include <string>

namespace quorvel::cli {
namespace {

int RunExpand(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return kUsageError;
    bool truncated = false;
    const std::vector<PageRange> ranges =
        ExpandAppendParameters(args[0], ReadDecimal(args[1]), &truncated);
    for (const PageRange& r : ranges)
        std::printf("%d-%d\n", static_cast<int>(r.first), static_cast<int>(r.last));
    std::fflush(stdout);
    if (truncated) {
        // The list above is cut short; a script must not take it for the whole.
        std::fprintf(stderr, "%s: ", AppendParamsText::kCaptionParameters);
        std::fprintf(stderr, AppendParamsText::kTooManyRanges, static_cast<int>(kMaxPageRanges));
        std::fprintf(stderr, "\n");
        return 1;
    }
    return 0;
}

const CliRegistrar registrar({"expand", "expand EXPRESSION PAGES", RunExpand});

} // namespace
} // namespace quorvel::cli
