#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <string_view>

namespace quorvel {

// Calls `visit(key, tie)` for each tie of an annotation to another
// annotation given by reference: its popup (/Popup), the comment a reply
// answers (/IRT) and, for a popup, the comment it belongs to (/Parent; a
// widget's /Parent is its field, not a tie).
template <class Visit> void ForEachCommentTie(QPDFObjectHandle annotation, Visit visit) {
    if (!annotation.isDictionary()) {
        return;
    }
    const bool popup = annotation.getKey("/Subtype").isNameAndEquals("/Popup");
    for (const char* key : {"/Popup", "/IRT", "/Parent"}) {
        if (std::string_view(key) == "/Parent" && !popup) {
            continue;
        }
        auto tie = annotation.getKey(key);
        if (tie.isIndirect()) {
            visit(key, tie);
        }
    }
}

} // namespace quorvel
