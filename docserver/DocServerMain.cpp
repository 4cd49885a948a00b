#include "docserver/DocServerMain.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace quorvel {

int DocServerMain(int argc, char** argv, std::shared_ptr<IAutomationFactory> factory,
                  DocPageCounter probe) {
    int fd = -1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--fd") == 0) {
            char* end = nullptr;
            long value = std::strtol(argv[i + 1], &end, 10);
            if (*end == '\0' && value >= 0 && value < 65536) {
                fd = static_cast<int>(value);
            }
        }
    }
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) {
        std::fprintf(stderr, "%s: started without a connection (--fd N)\n",
                     argc > 0 ? argv[0] : "quorvel-docserver");
        return 2;
    }
    // A window process that goes away mid-reply must end us quietly, not by signal.
    std::signal(SIGPIPE, SIG_IGN);
    // The window process closing its end (or ending, which closes it) ends us at
    // once, even while the main thread is stuck inside a library call.
    std::thread([fd] {
        pollfd p{fd, POLLRDHUP, 0};
        while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }).detach();
    CDocServerLoop loop(std::move(factory), std::move(probe));
    return loop.Run(fd);
}

} // namespace quorvel
