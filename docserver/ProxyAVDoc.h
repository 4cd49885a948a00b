#pragma once

#include "docserver/ProxyObject.h"

namespace quorvel {

// A document view object of the document helper.
class CProxyAVDoc : public IAcroAVDoc, public CProxyObject {
public:
    using CProxyObject::CProxyObject;

    int32_t Open(const std::string& path, const std::string& tempTitle) override;
    std::shared_ptr<IAcroPDDoc> GetPDDoc() override;
    std::shared_ptr<IAcroAVPageView> GetAVPageView() override;
    int32_t Close(int32_t noSave) override;
};

} // namespace quorvel
