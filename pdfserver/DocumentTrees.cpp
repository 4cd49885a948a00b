#include "pdfserver/DocumentTrees.h"

#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFNumberTreeObjectHelper.hh>

namespace quorvel::trees {

namespace {

constexpr int kMaxTreeDepth = 64;

// -1, 0, 1 as `key` lies below, within or above a node's /Limits; 0 when
// the node has none.
template <class Key, class Read> int Compare(QPDFObjectHandle node, const Key& key, Read read) {
    auto limits = node.getKey("/Limits");
    if (!limits.isArray() || limits.getArrayNItems() != 2) {
        return 0;
    }
    auto low = limits.getArrayItem(0);
    auto high = limits.getArrayItem(1);
    Key lowKey{};
    Key highKey{};
    if (!read(low, lowKey) || !read(high, highKey)) {
        return 0;
    }
    if (key < lowKey) {
        return -1;
    }
    return highKey < key ? 1 : 0;
}

// Marks the node holding `key` and every node above it, with the direct
// siblings on each level.
template <class Key, class Read>
void MarkPath(QPDFObjectHandle node, const Key& key, Read read, const ChangeSink& changed) {
    for (int depth = 0; depth < kMaxTreeDepth && node.isDictionary(); ++depth) {
        changed(node);
        for (const char* entry : {"/Kids", "/Names", "/Nums", "/Limits"}) {
            changed(node.getKey(entry));
        }
        auto kids = node.getKey("/Kids");
        if (!kids.isArray() || kids.getArrayNItems() == 0) {
            return;
        }
        QPDFObjectHandle next = kids.getArrayItem(0);
        for (auto kid : kids.getArrayAsVector()) {
            changed(kid);
            if (kid.isDictionary()) {
                changed(kid.getKey("/Limits"));
                if (Compare(kid, key, read) >= 0) {
                    next = kid;
                }
            }
        }
        node = next;
    }
}

bool ReadName(QPDFObjectHandle value, std::string& out) {
    if (!value.isString()) {
        return false;
    }
    out = value.getUTF8Value();
    return true;
}

bool ReadNumber(QPDFObjectHandle value, long long& out) {
    if (!value.isInteger()) {
        return false;
    }
    out = value.getIntValue();
    return true;
}

} // namespace

QPDFObjectHandle NameTree(QPDF& pdf, const std::string& key, bool create,
                          const ChangeSink& changed) {
    auto catalog = pdf.getRoot();
    auto names = catalog.getKey("/Names");
    if (!names.isDictionary()) {
        if (!create) {
            return QPDFObjectHandle::newNull();
        }
        names = QPDFObjectHandle::newDictionary();
        catalog.replaceKey("/Names", names);
        changed(catalog);
    }
    auto tree = names.getKey(key);
    if (tree.isDictionary() || !create) {
        return tree.isDictionary() ? tree : QPDFObjectHandle::newNull();
    }
    tree = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Names [ ] >>"));
    names.replaceKey(key, tree);
    changed(names);
    changed(catalog);
    return tree;
}

bool HasName(QPDF& pdf, QPDFObjectHandle root, const std::string& name) {
    return !FindName(pdf, root, name).isNull();
}

QPDFObjectHandle FindName(QPDF& pdf, QPDFObjectHandle root, const std::string& name) {
    QPDFObjectHandle found;
    if (root.isDictionary() && QPDFNameTreeObjectHelper(root, pdf).findObject(name, found)) {
        return found;
    }
    return QPDFObjectHandle::newNull();
}

void InsertName(QPDF& pdf, QPDFObjectHandle root, const std::string& name, QPDFObjectHandle value,
                const ChangeSink& changed) {
    QPDFNameTreeObjectHelper(root, pdf).insert(name, value);
    MarkPath(root, name, ReadName, changed);
}

void InsertNumber(QPDF& pdf, QPDFObjectHandle root, long long number, QPDFObjectHandle value,
                  const ChangeSink& changed) {
    QPDFNumberTreeObjectHelper(root, pdf).insert(number, value);
    MarkPath(root, number, ReadNumber, changed);
}

} // namespace quorvel::trees
