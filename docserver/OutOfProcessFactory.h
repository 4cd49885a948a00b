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
    // Tells the running helper (starting one when none is alive); a helper
    // started later does not know it.
    void SetPassword(const std::string& path, const CSecret& password) override;

    const std::shared_ptr<CDocServerConnection>& Connection() const { return m_pConnection; }

private:
    std::shared_ptr<CDocServerConnection> m_pConnection;
};

// A factory with its own helper running `serverPath` (empty: the installed
// "quorvel-docserver", see FindDocServerExecutable). `timeoutMs` < 0: calls
// wait as long as the helper lives. Nothing is started before the first
// CreateObject.
std::shared_ptr<IAutomationFactory> CreateOutOfProcessFactory(const std::string& serverPath = {},
                                                              int timeoutMs = -1);

} // namespace quorvel
