#include "docserver/ProxyPDDoc.h"

namespace quorvel {

int32_t CProxyPDDoc::Open(const std::string& path) {
    return CallInt(DocMethod::PDDocOpen, {DocValue::Text(path)});
}

int32_t CProxyPDDoc::Close() {
    return CallInt(DocMethod::PDDocClose);
}

int32_t CProxyPDDoc::InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                                 int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) {
    return CallInt(DocMethod::PDDocInsertPages,
                   {DocValue::Int(insertAfter), ObjectArg(source), DocValue::Int(firstSourcePage),
                    DocValue::Int(count), DocValue::Int(copyBookmarks)});
}

int32_t CProxyPDDoc::GetNumPages() {
    return CallInt(DocMethod::PDDocGetNumPages);
}

int32_t CProxyPDDoc::Create() {
    return CallInt(DocMethod::PDDocCreate);
}

std::shared_ptr<IAcroAVDoc> CProxyPDDoc::OpenAVDoc(const std::string& title) {
    return std::dynamic_pointer_cast<IAcroAVDoc>(
        CallObject(DocMethod::PDDocOpenAVDoc, {DocValue::Text(title)}));
}

int32_t CProxyPDDoc::Save(int16_t flags, const std::string& path) {
    return CallInt(DocMethod::PDDocSave, {DocValue::Int(flags), DocValue::Text(path)});
}

} // namespace quorvel
