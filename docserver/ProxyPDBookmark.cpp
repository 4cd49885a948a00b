#include "docserver/ProxyPDBookmark.h"

namespace quorvel {

int32_t CProxyPDBookmark::GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc,
                                     const std::string& title) {
    return CallInt(DocMethod::PDBookmarkGetByTitle, {ObjectArg(doc), DocValue::Text(title)});
}

int32_t CProxyPDBookmark::SetTitle(const std::string& title) {
    return CallInt(DocMethod::PDBookmarkSetTitle, {DocValue::Text(title)});
}

} // namespace quorvel
