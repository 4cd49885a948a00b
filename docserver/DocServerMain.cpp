#include "docserver/DocServerMain.h"

#include "support/CommandLine.h"
#include "support/SaveInProgress.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

void PrintUsage(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "usage: %s --fd N\n"
                 "The document helper of quorvel and quorvel-cli, which start it themselves.\n"
                 "\n"
                 "  --fd N     serve requests on the connected socket N until it closes\n"
                 "  --help     show this help and exit\n"
                 "  --version  show the version and exit\n",
                 program);
}

} // namespace

int DocServerMain(int argc, char** argv, std::shared_ptr<IAutomationFactory> factory,
                  DocPageCounter probe, PdfProber passwordProbe) {
    const char* program = argc > 0 ? argv[0] : "quorvel-docserver";
    // "--fd N" is this program's own option; the rest is read as by every
    // Quorvel program.
    std::vector<std::string> rest;
    std::string fdText;
    bool fdGiven = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fd") == 0 && i + 1 < argc) {
            fdGiven = true;
            fdText = argv[++i];
        } else {
            rest.emplace_back(argv[i]);
        }
    }
    const CommandLine line = ParseCommandLine(rest);
    if (line.bHelp) {
        PrintUsage(stdout, program);
        return 0;
    }
    if (line.bVersion) {
        PrintVersion("quorvel-docserver");
        return 0;
    }
    if (!line.unknownOptions.empty() || !line.operands.empty()) {
        PrintUsage(stderr, program);
        return 2;
    }
    int fd = -1;
    if (fdGiven) {
        char* end = nullptr;
        long value = std::strtol(fdText.c_str(), &end, 10);
        if (!fdText.empty() && *end == '\0' && value >= 0 && value < 65536) {
            fd = static_cast<int>(value);
        }
    }
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) {
        std::fprintf(stderr, "%s: started without a connection (--fd N)\n", program);
        return 2;
    }
    // A window process that goes away mid-reply must end us quietly, not by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // The window process closing its end (or ending, which closes it) ends us at
    // once, even while the main thread is stuck inside a library call; a save
    // under way is taken back first, so that it leaves no temporary file and
    // no half-written update behind.
    std::thread([fd] {
        pollfd p{fd, POLLRDHUP, 0};
        while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
        }
        UndoSaveInProgress();
        ::_exit(0);
    }).detach();
    CDocServerLoop loop(std::move(factory), std::move(probe));
    loop.SetPasswordProbe(std::move(passwordProbe));
    return loop.Run(fd);
}

} // namespace quorvel
