#pragma once

#include <string>
#include <vector>

namespace quorvel::test {

// What one run of quorvel-cli printed and how it ended.
struct CliResult {
    std::string out;
    std::string err;
    int exitCode = -1; // -1 when it could not be started or did not exit normally
};

// Runs the quorvel-cli built with the tests (QUORVEL_CLI_PATH) with `args`
// passed exactly as given, in working folder `workDir` (the current one when
// empty), and waits for it.
CliResult RunCli(const std::vector<std::string>& args, const std::string& workDir = "");

} // namespace quorvel::test
