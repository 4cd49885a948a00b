#include "app/ui/AppendApp.h"
#include "support/CommandLine.h"

#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version answer before Qt looks for a display.
    const quorvel::CommandLine early = quorvel::ParseCommandLine({argv + 1, argv + argc});
    if (early.bHelp) {
        quorvel::PrintWindowUsage(stdout);
        return 0;
    }
    if (early.bVersion) {
        quorvel::PrintVersion("quorvel");
        return 0;
    }
    // Qt takes its own options out of argv here; what is left is ours.
    quorvel::CAppendApp app(argc, argv);
    const quorvel::CommandLine line = quorvel::ParseCommandLine({argv + 1, argv + argc});
    if (!line.unknownOptions.empty()) {
        std::fprintf(stderr, "quorvel: unknown option %s\n", line.unknownOptions.front().c_str());
        quorvel::PrintWindowUsage(stderr);
        return 2;
    }
    for (const std::string& file : line.operands)
        app.m_startFiles << QString::fromLocal8Bit(file);
    return app.InitInstance();
}
