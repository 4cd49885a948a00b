#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvel {

// Carries the logical structure of pages just copied from a source into a
// target. The structure elements that own marked content or annotations on
// the copied pages come along with their ancestors, each keeping only its
// kids on copied pages, and go under the target's structure tree root (made
// when missing) at the place that matches the copied pages' order. The
// copied pages and annotations get new /StructParents and /StructParent
// numbers that the target's parent tree maps to the copied elements; the
// parent tree grows along one path. Role and class maps, IDs and namespaces
// are merged, a name that means something else in the target being renamed
// for the copied elements. /MarkInfo says Marked only while every page of
// the target comes from tagged sources.
//
// A source without a structure tree, or one whose tree does not say the
// same as its pages (missing or wrong numbers, elements that do not reach
// the root, loops), and a target whose tree cannot take more, leave the
// copied pages untagged: their numbers are removed so that they point at
// nothing of the target. Merging never fails the copy.
class CStructTreeMerger {
public:
    // `source` and `target` may be the same document.
    CStructTreeMerger(QPDF& source, QPDF& target);

    // `originals` are the source pages that were copied and `copies` their
    // copies, both by source page index; the copies sit after target page
    // `insertAfter` (-1: at the start), and the target had
    // `targetPagesBefore` pages before them. Returns the target's objects
    // that existed before and were changed.
    std::vector<QPDFObjectHandle> Merge(const std::map<int, QPDFObjectHandle>& originals,
                                        const std::map<int, QPDFObjectHandle>& copies,
                                        int insertAfter, int targetPagesBefore);

private:
    enum class Found { NoTree, Damaged, Sound };

    struct CopiedPage {
        QPDFObjectHandle original;
        QPDFObjectHandle copy;
        bool numbered = false;
        // The elements owning each marked-content id; null where none.
        std::vector<QPDFObjectHandle> owners;
        // Annotations of the copy with the element that owns them.
        std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> annotations;
    };

    // What an element holds directly: marked-content ids by page, and the
    // objects it refers to through object references.
    struct Content {
        std::set<std::pair<QPDFObjGen, long long>> marked;
        std::set<QPDFObjGen> objects;
    };

    Found ReadSource(const std::map<int, QPDFObjectHandle>& originals,
                     const std::map<int, QPDFObjectHandle>& copies);
    bool Claim(QPDFObjectHandle element, QPDFObjGen page, long long mcid);
    bool ClaimObject(QPDFObjectHandle element, QPDFObjGen object);
    const Content& ContentOf(QPDFObjectHandle element);
    QPDFObjectHandle PageOf(QPDFObjectHandle element);
    bool KeepAncestors(QPDFObjectHandle element);
    bool CheckPlacement();
    bool ReadTarget();

    void PlanRoleAndClassNames();
    void BuildCopies();
    QPDFObjectHandle CopyElement(QPDFObjectHandle element);
    QPDFObjectHandle CopyKids(QPDFObjectHandle element);
    QPDFObjectHandle CopyValue(QPDFObjectHandle value, int depth = 0);
    QPDFObjectHandle CopyNamespace(QPDFObjectHandle ns);
    void Commit(int insertAfter, int count);
    void PlaceTopLevel(int insertAfter, int count);
    int FirstPageOf(QPDFObjectHandle node, int& budget, int depth);
    void AddId(QPDFObjectHandle original, QPDFObjectHandle copy);
    void Strip();
    void DropFormNumbers(QPDFObjectHandle page);
    void UpdateMarkInfo(bool tagged, int targetPagesBefore);
    void Touch(QPDFObjectHandle object);

    QPDF& m_source;
    QPDF& m_target;
    bool m_bSame;
    QPDFObjectHandle m_sourceRoot;
    QPDFObjectHandle m_targetRoot; // the target's root, made when missing
    bool m_bNewRoot = false;
    long long m_nNextKey = 0;
    std::vector<CopiedPage> m_pages;
    std::map<QPDFObjGen, QPDFObjectHandle> m_pageCopies;
    std::map<QPDFObjGen, QPDFObjectHandle> m_annotationCopies;
    std::map<QPDFObjGen, Content> m_content;
    // Kept source elements and their copies (null until built), and the
    // kept elements directly below the source's root in its order.
    std::map<QPDFObjGen, QPDFObjectHandle> m_kept;
    std::vector<QPDFObjectHandle> m_topLevel;
    std::map<std::string, std::string> m_roleRenames;
    std::map<std::string, std::string> m_roleAdds;
    std::map<std::string, std::string> m_classRenames;
    std::map<std::string, QPDFObjectHandle> m_classAdds;
    std::map<QPDFObjGen, QPDFObjectHandle> m_namespaces;
    std::vector<QPDFObjectHandle> m_newNamespaces;
    std::set<QPDFObjGen> m_changed;
};

} // namespace quorvel
