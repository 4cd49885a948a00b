#pragma once

// Common part of the window-side stand-ins for the helper's automation objects:
// the link, the helper generation and the handle. A proxy whose helper has gone
// answers 0 or null to every call; dropping the last reference to a proxy tells
// its helper to release the object.

#include "docserver/DocServerConnection.h"
#include "engine/Automation.h"

#include <memory>

namespace quorvel {

class CProxyObject : public virtual IAcroObject {
public:
    CProxyObject(std::shared_ptr<CDocServerConnection> connection, uint64_t generation,
                 uint32_t handle);
    ~CProxyObject() override;

    const std::shared_ptr<CDocServerConnection>& Connection() const { return m_pConnection; }
    uint64_t ServerGeneration() const { return m_nGeneration; }
    uint32_t Handle() const { return m_nHandle; }

protected:
    // Calls `method` with `args`: the integer result; 0 when the helper failed.
    // Throws AutomationException when the helper's object raised one.
    int32_t CallInt(uint8_t method, std::vector<DocValue> args = {});
    // The same for a method that returns an object; null when it failed.
    std::shared_ptr<IAcroObject> CallObject(uint8_t method, std::vector<DocValue> args = {});
    // An object argument: its handle when it lives in the same helper, else 0 (null).
    DocValue ObjectArg(const std::shared_ptr<IAcroObject>& object) const;

private:
    std::optional<DocReply> Invoke(uint8_t method, std::vector<DocValue> args);

    std::shared_ptr<CDocServerConnection> m_pConnection;
    uint64_t m_nGeneration;
    uint32_t m_nHandle;
};

// The proxy for an object reply (null for a null or failed reply).
std::shared_ptr<IAcroObject> MakeProxy(const std::shared_ptr<CDocServerConnection>& connection,
                                       uint64_t generation, const std::optional<DocReply>& reply);

} // namespace quorvel
