// A document helper over the scripted fake documents, for the tests of the
// helper's client: it can crash, hang and garble on request.

#include "docserver/DocServerMain.h"
#include "docserver/FakeDocuments.h"

int main(int argc, char** argv) {
    return quorvel::DocServerMain(argc, argv, quorvel::CreateFakeDocumentFactory(),
                                  quorvel::FakePageCount);
}
