#pragma once

// Page counting with the PDF library inside the document helper process, so
// that a file that crashes or hangs the library costs its count (0), not the
// window process.

#include "docserver/DocServerConnection.h"
#include "engine/Automation.h"
#include "engine/ConnectionHost.h"
#include "support/PageCountProbe.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Counts the pages of `path` with the PDF library inside the helper behind
// `connection` (started when needed, then kept for the next files). 0 when the
// library has no count or the helper died or did not answer in time.
int32_t ProbePdfPageCountOutOfProcess(CDocServerConnection& connection, const std::string& path);

// The same on one helper kept for page counting for the life of the process.
// It is separate from any factory's helper, so that a file that breaks the library while being
// counted cannot end an append run in progress.
int32_t ProbePdfPageCountOutOfProcess(const std::string& path);

// The counts ProbePdfPageCountOutOfProcess gives for each of `paths`, in
// order, asked for in batches of up to kPageCountBatch files: one round trip
// per batch rather than per file. A file that ends or hangs the helper still
// costs only its own count: the files after it go to a new helper.
std::vector<int32_t> ProbePdfPageCountsOutOfProcess(CDocServerConnection& connection,
                                                    const std::vector<std::string>& paths);
// The same on the process's page-count helper.
std::vector<int32_t> ProbePdfPageCountsOutOfProcess(const std::vector<std::string>& paths);

// The library's view of `path` opened with `password` (empty: none), from
// the helper behind `connection`: its page count, or that it needs another
// password. A helper that dies or does not answer gives no count.
PdfProbeResult ProbePdfOutOfProcess(CDocServerConnection& connection, const std::string& path,
                                    std::string_view password);
// The same on the process's page-count helper.
PdfProbeResult ProbePdfOutOfProcess(const std::string& path, std::string_view password);

// Most files in one batch request (a request holds at most 255 arguments).
inline constexpr size_t kPageCountBatch = 64;

// The page count as GetPageCount gives it, with the library step in the
// helper behind `connection`: its count when it is 1 or more, otherwise
// CountPagesWithAcrobat's result through `factory` (which should itself be an
// out-of-process factory for the same protection).
int GetPageCountOutOfProcess(CDocServerConnection& connection, const std::string& path,
                             IAutomationFactory* factory, IConnectionHost& host);
// The same with the process's page-count helper.
int GetPageCountOutOfProcess(const std::string& path, IAutomationFactory* factory,
                             IConnectionHost& host);

} // namespace quorvel
