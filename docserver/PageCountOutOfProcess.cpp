#include "docserver/PageCountOutOfProcess.h"

#include "support/PageCountProbe.h"

namespace quorvel {

namespace {

CDocServerConnection& ProbeConnection() {
    // Never destroyed: the helper leaves when our end of the socket closes at
    // exit, so there is nothing to wait for.
    static auto* connection = new CDocServerConnection();
    return *connection;
}

} // namespace

int32_t ProbePdfPageCountOutOfProcess(CDocServerConnection& connection, const std::string& path) {
    if (path.empty()) {
        return 0; // no file to count; not worth starting a helper for
    }
    DocRequest request;
    request.op = DocOp::ProbePageCount;
    request.args.push_back(DocValue::Text(path));
    uint64_t generation = 0;
    std::optional<DocReply> reply = connection.CallStarting(request, generation);
    if (!reply || reply->kind != DocReplyKind::Int) {
        return 0;
    }
    return reply->number;
}

int32_t ProbePdfPageCountOutOfProcess(const std::string& path) {
    return ProbePdfPageCountOutOfProcess(ProbeConnection(), path);
}

int GetPageCountOutOfProcess(CDocServerConnection& connection, const std::string& path,
                             IAutomationFactory* factory, IConnectionHost& host) {
    const int pages = ProbePdfPageCountOutOfProcess(connection, path);
    if (pages >= 1) {
        return pages;
    }
    return CountPagesWithAcrobat(path, factory, host);
}

int GetPageCountOutOfProcess(const std::string& path, IAutomationFactory* factory,
                             IConnectionHost& host) {
    return GetPageCountOutOfProcess(ProbeConnection(), path, factory, host);
}

} // namespace quorvel
