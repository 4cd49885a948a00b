#include "pdfserver/ObjectCopy.h"

namespace quorvel {

namespace {

// Direct nesting deeper than this is cut off; real files nest a few levels.
constexpr int kMaxDirectDepth = 32;

QPDFObjectHandle CopyDirect(QPDF& target, QPDFObjectHandle value, int depth) {
    if (value.isIndirect()) {
        return target.copyForeignObject(value);
    }
    if (depth >= kMaxDirectDepth) {
        return QPDFObjectHandle::newNull();
    }
    if (value.isArray()) {
        auto copy = QPDFObjectHandle::newArray();
        for (auto item : value.getArrayAsVector()) {
            copy.appendItem(CopyDirect(target, item, depth + 1));
        }
        return copy;
    }
    if (value.isDictionary()) {
        auto copy = QPDFObjectHandle::newDictionary();
        for (auto key : value.getKeys()) {
            copy.replaceKey(key, CopyDirect(target, value.getKey(key), depth + 1));
        }
        return copy;
    }
    return CopyScalar(value);
}

} // namespace

QPDFObjectHandle CopyScalar(QPDFObjectHandle value) {
    if (value.isInteger()) {
        return QPDFObjectHandle::newInteger(value.getIntValue());
    }
    if (value.isReal()) {
        return QPDFObjectHandle::newReal(value.getRealValue());
    }
    if (value.isName()) {
        return QPDFObjectHandle::newName(value.getName());
    }
    if (value.isBool()) {
        return QPDFObjectHandle::newBool(value.getBoolValue());
    }
    if (value.isString()) {
        return QPDFObjectHandle::newString(value.getStringValue());
    }
    return QPDFObjectHandle::newNull();
}

QPDFObjectHandle CopyForeignValue(QPDF& source, QPDF& target, QPDFObjectHandle value) {
    if (&source == &target) {
        return value;
    }
    return CopyDirect(target, value, 0);
}

} // namespace quorvel
