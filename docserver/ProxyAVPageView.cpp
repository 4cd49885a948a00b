#include "docserver/ProxyAVPageView.h"

namespace quorvel {

int32_t CProxyAVPageView::GoTo(int32_t page) {
    return CallInt(DocMethod::AVPageViewGoTo, {DocValue::Int(page)});
}

} // namespace quorvel
