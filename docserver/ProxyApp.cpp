#include "docserver/ProxyApp.h"

namespace quorvel {

int32_t CProxyApp::Exit() {
    return CallInt(DocMethod::AppExit);
}

int32_t CProxyApp::CloseAllDocs() {
    return CallInt(DocMethod::AppCloseAllDocs);
}

int32_t CProxyApp::MenuItemExecute(const std::string& menuItem) {
    return CallInt(DocMethod::AppMenuItemExecute, {DocValue::Text(menuItem)});
}

} // namespace quorvel
