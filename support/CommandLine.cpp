#include "support/CommandLine.h"

#include "QuorvelVersion.h"

namespace quorvel {

const char* ProgramVersion() {
    return QUORVEL_VERSION;
}

void PrintVersion(const char* program) {
    std::printf("%s %s\n", program, ProgramVersion());
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            line.bHelp = true;
        } else if (arg == "--version") {
            line.bVersion = true;
        } else {
            line.unknownOptions.push_back(arg);
        }
    }
    return line;
}

} // namespace quorvel
