#pragma once

#include "docserver/ProxyObject.h"

namespace quorvel {

// A bookmark object of the document helper.
class CProxyPDBookmark : public IAcroPDBookmark, public CProxyObject {
public:
    using CProxyObject::CProxyObject;

    int32_t GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc, const std::string& title) override;
    int32_t SetTitle(const std::string& title) override;
};

} // namespace quorvel
