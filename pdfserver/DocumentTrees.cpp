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

void MarkNode(QPDFObjectHandle node, const ChangeSink& changed) {
    changed(node);
    if (node.isDictionary()) {
        for (const char* entry : {"/Kids", "/Names", "/Nums", "/Limits"}) {
            changed(node.getKey(entry));
        }
    }
}

// Marks the node holding `key` and every node above it. A split during the
// insert shortens the node on the path and puts a new node right after it,
// which may then hold `key`; a split of its parent may move that new node to
// the front of another parent. So on each level the node just before the
// path, in tree order, is marked too. Where the kids' limits cannot be read,
// the path is a guess and every kid of that level is marked.
template <class Key, class Read>
void MarkPath(QPDFObjectHandle node, const Key& key, Read read, const ChangeSink& changed) {
    QPDFObjectHandle before = QPDFObjectHandle::newNull();
    for (int depth = 0; depth < kMaxTreeDepth && node.isDictionary(); ++depth) {
        MarkNode(node, changed);
        MarkNode(before, changed);
        auto kids = node.getKey("/Kids");
        if (!kids.isArray() || kids.getArrayNItems() == 0) {
            return;
        }
        auto all = kids.getArrayAsVector();
        size_t next = 0;
        bool guessed = false;
        for (size_t i = 0; i < all.size(); ++i) {
            if (!all[i].isDictionary()) {
                continue;
            }
            auto limits = all[i].getKey("/Limits");
            Key low{};
            Key high{};
            if (!limits.isArray() || limits.getArrayNItems() != 2 ||
                !read(limits.getArrayItem(0), low) || !read(limits.getArrayItem(1), high)) {
                guessed = true;
            }
            if (Compare(all[i], key, read) >= 0) {
                next = i;
            }
        }
        if (guessed) {
            for (auto& kid : all) {
                MarkNode(kid, changed);
            }
        }
        if (next > 0) {
            before = all[next - 1];
        } else {
            auto beforeKids =
                before.isDictionary() ? before.getKey("/Kids") : QPDFObjectHandle::newNull();
            before = beforeKids.isArray() && beforeKids.getArrayNItems() > 0
                         ? beforeKids.getArrayItem(beforeKids.getArrayNItems() - 1)
                         : QPDFObjectHandle::newNull();
        }
        node = all[next];
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
    if (tree.isDictionary() && create) {
        // The caller adds to the tree. A root written inline changes the
        // object that holds it: the /Names dictionary, or the catalog.
        changed(names);
        changed(catalog);
    }
    if (tree.isDictionary() || !create) {
        return tree.isDictionary() ? tree : QPDFObjectHandle::newNull();
    }
    tree = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Names [ ] >>"));
    names.replaceKey(key, tree);
    changed(names);
    changed(catalog);
    return tree;
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
