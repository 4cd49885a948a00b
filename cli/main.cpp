// quorvel-cli: the append engine without windows. Each subcommand lives in its
// own file and registers itself; this file only dispatches.

#include "cli/CliCommand.h"
#include "support/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvel::cli {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

} // namespace quorvel::cli

namespace {

void PrintUsage(std::FILE* out) {
    auto commands = quorvel::cli::Registry();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    std::fprintf(out, "usage:\n");
    for (const auto& c : commands)
        std::fprintf(out, "  quorvel-cli %s\n", c.usage);
    std::fprintf(out, "  quorvel-cli --help | --version\n");
}

int Usage() {
    PrintUsage(stderr);
    return quorvel::cli::kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    if (std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        std::printf("\nSee quorvel-cli(1) for the commands, the batch file format and the exit "
                    "status.\n");
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        quorvel::PrintVersion("quorvel-cli");
        return 0;
    }
    for (const auto& command : quorvel::cli::Registry()) {
        if (std::strcmp(command.name, argv[1]) == 0) {
            std::vector<std::string> args(argv + 2, argv + argc);
            if (std::find(args.begin(), args.end(), "--help") != args.end()) {
                PrintUsage(stdout);
                return 0;
            }
            int rc = command.run(args);
            return rc == quorvel::cli::kUsageError ? Usage() : rc;
        }
    }
    return Usage();
}
