#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <vector>

namespace quorvel {

// The kids of a structure element or of the structure tree root, whichever
// form its /K takes (an array, a single kid or none).
inline std::vector<QPDFObjectHandle> StructKids(QPDFObjectHandle node) {
    auto kids = node.getKey("/K");
    if (kids.isArray()) {
        return kids.getArrayAsVector();
    }
    if (kids.isNull()) {
        return {};
    }
    return {kids};
}

} // namespace quorvel
