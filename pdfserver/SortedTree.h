#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <set>
#include <string>
#include <vector>

namespace quorvel {

// A number tree or a name tree of a PDF (keys are integers or byte strings,
// kept sorted in leaves of /Nums or /Names pairs below nodes of /Kids with
// /Limits). Lookups and inserts walk one path from the root; an insert
// changes only the leaf that receives the key and the nodes above it, and
// splits a leaf or node that grows past a fixed size, so a tree that grows
// by appending larger keys costs each append the same. Damaged trees (loops,
// missing limits, keys of the wrong kind) are read as far as they are sound;
// an insert into a damaged part fails before it changes anything. qpdf's
// exceptions are thrown to the caller.
class CSortedTree {
public:
    enum class Kind { Numbers, Names };

    // `root` belongs to `pdf`, which makes the nodes that splits add.
    CSortedTree(QPDF& pdf, QPDFObjectHandle root, Kind kind);

    // A new empty tree's root node (direct; the caller makes it indirect).
    static QPDFObjectHandle NewRoot(Kind kind);

    // The value under `key` (an integer or a string object); false when the
    // key is absent or the path to it is damaged.
    bool Find(QPDFObjectHandle key, QPDFObjectHandle& value);

    // The largest key of a number tree, found along the rightmost path;
    // false for an empty or damaged tree.
    bool LargestNumber(long long& largest);

    // Inserts or replaces `key`. Every object of the tree that existed and
    // was changed (nodes and their arrays that are objects of their own) is
    // added to `changed`. Fails, changing nothing, when the path is damaged.
    bool Insert(QPDFObjectHandle key, QPDFObjectHandle value, std::set<QPDFObjGen>& changed);

    // Pairs per leaf and kids per node before either is split.
    static constexpr int kMaxPairs = 64;
    static constexpr int kMaxKids = 64;

private:
    // Negative, zero or positive as `a` sorts before, with or after `b`;
    // false when either is not a key of this tree's kind.
    bool Compare(QPDFObjectHandle a, QPDFObjectHandle b, int& result) const;
    // The nodes from the root down to the leaf where `key` belongs.
    bool PathTo(QPDFObjectHandle key, std::vector<QPDFObjectHandle>& path);
    const char* ItemsKey() const { return m_kind == Kind::Numbers ? "/Nums" : "/Names"; }
    void Touch(QPDFObjectHandle object, std::set<QPDFObjGen>& changed) const;
    // Widens the limits of `node` to take in `key`.
    bool Widen(QPDFObjectHandle node, QPDFObjectHandle key, std::set<QPDFObjGen>& changed);
    // Sets the limits of `node` from what it holds.
    void SetLimits(QPDFObjectHandle node, std::set<QPDFObjGen>& changed);
    // Splits `path[level]` when it holds too much, going up as parents grow.
    void Split(std::vector<QPDFObjectHandle>& path, size_t level, bool atEnd,
               std::set<QPDFObjGen>& changed);

    QPDF& m_pdf;
    QPDFObjectHandle m_root;
    Kind m_kind;
    // The index of each node of the last path within its parent's kids.
    std::vector<int> m_indices;
};

} // namespace quorvel
