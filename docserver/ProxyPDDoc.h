#pragma once

#include "docserver/ProxyObject.h"

namespace quorvel {

// A document object of the document helper.
class CProxyPDDoc : public IAcroPDDoc, public CProxyObject {
public:
    using CProxyObject::CProxyObject;

    int32_t Open(const std::string& path) override;
    int32_t Close() override;
    int32_t InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                        int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) override;
    int32_t GetNumPages() override;
    int32_t Create() override;
    std::shared_ptr<IAcroAVDoc> OpenAVDoc(const std::string& title) override;
    int32_t Save(int16_t flags, const std::string& path) override;
};

} // namespace quorvel
