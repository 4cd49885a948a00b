#include "docserver/OutOfProcessFactory.h"

#include "docserver/ProxyObject.h"

namespace quorvel {

COutOfProcessFactory::COutOfProcessFactory(std::shared_ptr<CDocServerConnection> connection)
    : m_pConnection(std::move(connection)) {}

std::shared_ptr<IAcroObject> COutOfProcessFactory::CreateObject(const std::string& progId) {
    DocRequest request;
    request.op = DocOp::CreateObject;
    request.args.push_back(DocValue::Text(progId));
    uint64_t generation = 0;
    std::optional<DocReply> reply = m_pConnection->CallStarting(request, generation);
    return MakeProxy(m_pConnection, generation, reply);
}

void COutOfProcessFactory::SetPassword(const std::string& path, const CSecret& password) {
    DocRequest request;
    request.op = DocOp::SetPassword;
    request.args.push_back(DocValue::Text(path));
    request.args.push_back(DocValue::Text(std::string(password.View())));
    uint64_t generation = 0;
    m_pConnection->CallStarting(request, generation);
    WipePassword(request);
}

std::shared_ptr<IAutomationFactory> CreateOutOfProcessFactory(const std::string& serverPath,
                                                              int timeoutMs) {
    return std::make_shared<COutOfProcessFactory>(
        std::make_shared<CDocServerConnection>(serverPath, timeoutMs));
}

} // namespace quorvel
