#include "docserver/PageCountOutOfProcess.h"

#include "engine/Secret.h"
#include "support/PageCountProbe.h"

namespace quorvel {

namespace {

// Counting one file with the library takes far less than this; a count
// still going after it is taken for a library that hangs on the file. (This
// helper counts pages only; it saves nothing and runs no append.)
constexpr int kProbeTimeoutMs = 60000;

CDocServerConnection& ProbeConnection() {
    // Never destroyed: the helper leaves when our end of the socket closes at
    // exit, so there is nothing to wait for.
    static auto* connection = new CDocServerConnection({}, kProbeTimeoutMs);
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

PdfProbeResult ProbePdfOutOfProcess(CDocServerConnection& connection, const std::string& path,
                                    std::string_view password) {
    PdfProbeResult result;
    if (path.empty()) {
        return result;
    }
    DocRequest request;
    request.op = DocOp::ProbePageCount;
    request.args.push_back(DocValue::Text(path));
    request.args.push_back(DocValue::Text(std::string(password)));
    uint64_t generation = 0;
    std::optional<DocReply> reply = connection.CallStarting(request, generation);
    WipePassword(request);
    if (reply && reply->kind == DocReplyKind::Int) {
        result.locked = reply->number == kDocProbeLocked;
        result.pages = reply->number > 0 ? reply->number : 0;
    }
    return result;
}

PdfProbeResult ProbePdfOutOfProcess(const std::string& path, std::string_view password) {
    return ProbePdfOutOfProcess(ProbeConnection(), path, password);
}

std::vector<int32_t> ProbePdfPageCountsOutOfProcess(CDocServerConnection& connection,
                                                    const std::vector<std::string>& paths) {
    std::vector<int32_t> counts(paths.size(), 0);
    size_t next = 0; // the first file not asked for yet
    while (next < paths.size()) {
        // Empty paths stay 0 without asking, as one by one.
        DocRequest request;
        request.op = DocOp::ProbePageCounts;
        std::vector<size_t> rows;
        for (; next < paths.size() && rows.size() < kPageCountBatch; ++next) {
            if (!paths[next].empty()) {
                request.args.push_back(DocValue::Text(paths[next]));
                rows.push_back(next);
            }
        }
        if (rows.empty()) {
            break;
        }
        size_t row = 0;
        uint64_t generation = 0;
        const size_t answered = connection.CallStartingStream(
            request, rows.size(),
            [&](const DocReply& reply) {
                counts[rows[row++]] = reply.kind == DocReplyKind::Int ? reply.number : 0;
            },
            generation);
        if (answered < rows.size()) {
            // The file being counted ended the helper (or it could not start):
            // that file keeps 0, and the ones after it go out again.
            next = rows[answered] + 1;
        }
    }
    return counts;
}

std::vector<int32_t> ProbePdfPageCountsOutOfProcess(const std::vector<std::string>& paths) {
    return ProbePdfPageCountsOutOfProcess(ProbeConnection(), paths);
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
