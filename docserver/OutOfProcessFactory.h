#pragma once

// Automation objects that live in a separate helper process, so that a library
// crash or hang while reading a document costs the current call, not the
// window process. Callers use them exactly like in-process objects.

#include "docserver/DocServerConnection.h"
#include "engine/Automation.h"

#include <memory>
#include <string>

namespace quorvel {

// Creates objects in the helper behind `connection`. CreateObject starts a
// helper when none is alive (the first time, and again after one died), so
// objects created afterwards belong to the new helper; objects of a dead helper
// answer 0 or null.
class COutOfProcessFactory : public IAutomationFactory {
public:
    explicit COutOfProcessFactory(std::shared_ptr<CDocServerConnection> connection);
    std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) override;

    const std::shared_ptr<CDocServerConnection>& Connection() const { return m_pConnection; }

private:
    std::shared_ptr<CDocServerConnection> m_pConnection;
};

// A factory with its own helper running `serverPath` (empty: the installed
// "quorvel-docserver", see FindDocServerExecutable). `timeoutMs` < 0: the
// default answer timeout of 60 seconds. Nothing is started before the first
// CreateObject.
std::shared_ptr<IAutomationFactory> CreateOutOfProcessFactory(const std::string& serverPath = {},
                                                              int timeoutMs = -1);

// Counts the pages of `path` with the PDF library inside the helper behind
// `connection` (started when needed). 0 when the library has no count or the
// helper died or did not answer in time.
int32_t ProbePdfPageCountOutOfProcess(CDocServerConnection& connection, const std::string& path);

// The same on one helper kept for page counting for the life of the process.
// It is separate from any factory's helper, so that a file that breaks the
// library while being counted cannot end an append run in progress.
int32_t ProbePdfPageCountOutOfProcess(const std::string& path);

} // namespace quorvel
