#pragma once

#include "docserver/ProxyObject.h"

namespace quorvel {

// The application object of the document helper.
class CProxyApp : public IAcroApp, public CProxyObject {
public:
    using CProxyObject::CProxyObject;

    int32_t Exit() override;
    int32_t CloseAllDocs() override;
    int32_t MenuItemExecute(const std::string& menuItem) override;
};

} // namespace quorvel
