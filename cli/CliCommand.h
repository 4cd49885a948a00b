#pragma once

#include <string>
#include <vector>

namespace quorvel::cli {

// One subcommand of quorvel-cli. `run` gets the arguments after the
// subcommand's name, exactly as given, and returns the exit code; it returns
// kUsageError when the arguments do not fit its usage line.
struct CliCommand {
    const char* name;
    const char* usage; // e.g. "expand EXPRESSION PAGES"
    int (*run)(const std::vector<std::string>& args);
};

inline constexpr int kUsageError = 2;

std::vector<CliCommand>& Registry();

// Each subcommand's file registers itself with one static CliRegistrar.
struct CliRegistrar {
    explicit CliRegistrar(CliCommand command) { Registry().push_back(command); }
};

} // namespace quorvel::cli
