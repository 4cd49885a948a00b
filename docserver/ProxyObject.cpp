#include "docserver/ProxyObject.h"

#include "docserver/ProxyAVDoc.h"
#include "docserver/ProxyAVPageView.h"
#include "docserver/ProxyApp.h"
#include "docserver/ProxyPDBookmark.h"
#include "docserver/ProxyPDDoc.h"

namespace quorvel {

CProxyObject::CProxyObject(std::shared_ptr<CDocServerConnection> connection, uint64_t generation,
                           uint32_t handle)
    : m_pConnection(std::move(connection)), m_nGeneration(generation), m_nHandle(handle) {}

CProxyObject::~CProxyObject() {
    m_pConnection->Release(m_nGeneration, m_nHandle);
}

std::optional<DocReply> CProxyObject::Invoke(uint8_t method, std::vector<DocValue> args) {
    DocRequest request;
    request.op = DocOp::Call;
    request.handle = m_nHandle;
    request.method = method;
    request.args = std::move(args);
    std::optional<DocReply> reply = m_pConnection->Call(m_nGeneration, request);
    if (reply && reply->kind == DocReplyKind::Exception) {
        throw AutomationException(reply->text);
    }
    return reply;
}

int32_t CProxyObject::CallInt(uint8_t method, std::vector<DocValue> args) {
    std::optional<DocReply> reply = Invoke(method, std::move(args));
    if (!reply || reply->kind != DocReplyKind::Int) {
        return 0;
    }
    return reply->number;
}

std::shared_ptr<IAcroObject> CProxyObject::CallObject(uint8_t method, std::vector<DocValue> args) {
    return MakeProxy(m_pConnection, m_nGeneration, Invoke(method, std::move(args)));
}

DocValue CProxyObject::ObjectArg(const std::shared_ptr<IAcroObject>& object) const {
    auto* proxy = dynamic_cast<const CProxyObject*>(object.get());
    if (!proxy || proxy->m_pConnection != m_pConnection || proxy->m_nGeneration != m_nGeneration) {
        return DocValue::Object(0);
    }
    return DocValue::Object(proxy->m_nHandle);
}

std::shared_ptr<IAcroObject> MakeProxy(const std::shared_ptr<CDocServerConnection>& connection,
                                       uint64_t generation, const std::optional<DocReply>& reply) {
    if (!reply || reply->kind != DocReplyKind::Object || reply->handle == 0) {
        return nullptr;
    }
    switch (reply->objectKind) {
    case DocObjectKind::App:
        return std::make_shared<CProxyApp>(connection, generation, reply->handle);
    case DocObjectKind::PDDoc:
        return std::make_shared<CProxyPDDoc>(connection, generation, reply->handle);
    case DocObjectKind::AVDoc:
        return std::make_shared<CProxyAVDoc>(connection, generation, reply->handle);
    case DocObjectKind::AVPageView:
        return std::make_shared<CProxyAVPageView>(connection, generation, reply->handle);
    case DocObjectKind::PDBookmark:
        return std::make_shared<CProxyPDBookmark>(connection, generation, reply->handle);
    case DocObjectKind::None:
        break;
    }
    // A handle of a kind we cannot represent: give it back at once.
    connection->Release(generation, reply->handle);
    return nullptr;
}

} // namespace quorvel
