#include "docserver/ProxyAVDoc.h"

namespace quorvel {

int32_t CProxyAVDoc::Open(const std::string& path, const std::string& tempTitle) {
    return CallInt(DocMethod::AVDocOpen, {DocValue::Text(path), DocValue::Text(tempTitle)});
}

std::shared_ptr<IAcroPDDoc> CProxyAVDoc::GetPDDoc() {
    return std::dynamic_pointer_cast<IAcroPDDoc>(CallObject(DocMethod::AVDocGetPDDoc));
}

std::shared_ptr<IAcroAVPageView> CProxyAVDoc::GetAVPageView() {
    return std::dynamic_pointer_cast<IAcroAVPageView>(CallObject(DocMethod::AVDocGetAVPageView));
}

int32_t CProxyAVDoc::Close(int32_t noSave) {
    return CallInt(DocMethod::AVDocClose, {DocValue::Int(noSave)});
}

} // namespace quorvel
