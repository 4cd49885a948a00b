// quorvel-docserver: runs the document server and the PDF-library page count
// for the window process, which starts it with one end of a socket pair as
// descriptor N:
//
//   quorvel-docserver --fd N
//
// It serves requests until the window process closes the socket, then exits 0.

#include "docserver/DocServerMain.h"
#include "pdfserver/DocumentServer.h"
#include "support/PageCountProbe.h"

int main(int argc, char** argv) {
    return quorvel::DocServerMain(
        argc, argv, quorvel::CreateDocumentServerFactory(),
        [](const std::string& path) {
            return static_cast<int32_t>(quorvel::ProbePdfPageCount(path));
        },
        quorvel::ProbePdf);
}
