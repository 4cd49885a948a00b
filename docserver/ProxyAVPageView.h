#pragma once

#include "docserver/ProxyObject.h"

namespace quorvel {

// A page view object of the document helper.
class CProxyAVPageView : public IAcroAVPageView, public CProxyObject {
public:
    using CProxyObject::CProxyObject;

    int32_t GoTo(int32_t page) override;
};

} // namespace quorvel
