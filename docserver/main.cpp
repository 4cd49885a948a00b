// quorvel-docserver: runs the document automation objects and the PDF-library
// page count for the window process, which starts it with one end of a socket
// pair as descriptor N:
//
//   quorvel-docserver --fd N
//
// It serves requests until the window process closes the socket, then exits 0.

#include "docserver/DocServerMain.h"
#include "support/PageCountProbe.h"

int main(int argc, char** argv) {
    return quorvel::DocServerMain(argc, argv, nullptr, [](const std::string& path) {
        return static_cast<int32_t>(quorvel::ProbePdfPageCount(path));
    });
}
