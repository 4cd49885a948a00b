#include "pdfserver/StructTreeMerger.h"

#include "pdfserver/SortedTree.h"
#include "pdfserver/StructKids.h"

#include <algorithm>

namespace quorvel {

namespace {

// Structure deeper than this is taken for a loop.
constexpr int kMaxStructDepth = 256;
// Marked-content ids per page beyond this are taken for damage.
constexpr int kMaxMarkedPerPage = 1 << 20;
// Pages with up to this many ids have their parent tree entry written
// into the tree's leaf.
constexpr size_t kDirectOwners = 16;

bool IsElement(QPDFObjectHandle object) {
    return object.isDictionary() &&
           (object.getKey("/Type").isNameAndEquals("/StructElem") ||
            (object.getKey("/S").isName() && object.getKey("/P").isDictionary()));
}

bool IsMarkedContentReference(QPDFObjectHandle kid) {
    return kid.isDictionary() && kid.getKey("/MCID").isInteger();
}

bool IsObjectReference(QPDFObjectHandle kid) {
    return kid.isDictionary() && kid.hasKey("/Obj") && !IsElement(kid);
}

bool Marked(QPDFObjectHandle catalog) {
    auto info = catalog.getKey("/MarkInfo");
    return info.isDictionary() && info.getKey("/Marked").isBool() &&
           info.getKey("/Marked").getBoolValue();
}

// The name that `key` of a role map finally stands for, following the map
// within `roles` as far as it goes.
std::string Resolve(QPDFObjectHandle roles, const std::string& key) {
    std::string role = key;
    for (int step = 0; step < 32 && roles.isDictionary(); ++step) {
        auto next = roles.getKey(role);
        if (!next.isName() || next.getName() == role) {
            break;
        }
        role = next.getName();
    }
    return role;
}

std::string Resolved(QPDFObjectHandle object) {
    try {
        return object.unparseResolved();
    } catch (...) {
        return {};
    }
}

} // namespace

CStructTreeMerger::CStructTreeMerger(QPDF& source, QPDF& target)
    : m_source(source), m_target(target), m_bSame(&source == &target) {}

void CStructTreeMerger::Touch(QPDFObjectHandle object) {
    if (object.isIndirect()) {
        m_changed.insert(object.getObjGen());
    }
}

std::vector<QPDFObjectHandle>
CStructTreeMerger::Merge(const std::map<int, QPDFObjectHandle>& originals,
                         const std::map<int, QPDFObjectHandle>& copies, int insertAfter,
                         int targetPagesBefore) {
    bool merged = false;
    bool tagged = false;
    try {
        const Found found = ReadSource(originals, copies);
        if (found == Found::Sound && ReadTarget()) {
            PlanRoleAndClassNames();
            BuildCopies();
            Commit(insertAfter, static_cast<int>(copies.size()));
            merged = true;
            tagged = Marked(m_source.getRoot());
        }
    } catch (...) {
        merged = false;
    }
    try {
        if (!merged) {
            // What was made before the failure is left unreferenced.
            Strip();
        }
        UpdateMarkInfo(tagged, targetPagesBefore);
    } catch (...) {
    }
    std::vector<QPDFObjectHandle> changed;
    for (const auto& id : m_changed) {
        changed.push_back(m_target.getObjectByObjGen(id));
    }
    return changed;
}

CStructTreeMerger::Found
CStructTreeMerger::ReadSource(const std::map<int, QPDFObjectHandle>& originals,
                              const std::map<int, QPDFObjectHandle>& copies) {
    for (const auto& [index, copy] : copies) {
        auto original = originals.find(index);
        if (original == originals.end()) {
            return Found::Damaged;
        }
        CopiedPage page;
        page.original = original->second;
        page.copy = copy;
        m_pageCopies[page.original.getObjGen()] = copy;
        m_pages.push_back(page);
    }
    m_sourceRoot = m_source.getRoot().getKey("/StructTreeRoot");
    if (!m_sourceRoot.isDictionary()) {
        return Found::NoTree;
    }
    auto parentTree = m_sourceRoot.getKey("/ParentTree");
    if (!parentTree.isDictionary() || !m_sourceRoot.isIndirect()) {
        return Found::Damaged;
    }
    CSortedTree numbers(m_source, parentTree, CSortedTree::Kind::Numbers);
    for (auto& page : m_pages) {
        auto number = page.original.getKey("/StructParents");
        if (number.isInteger()) {
            QPDFObjectHandle owners;
            if (!numbers.Find(number, owners) || !owners.isArray() ||
                owners.getArrayNItems() > kMaxMarkedPerPage) {
                return Found::Damaged;
            }
            page.numbered = true;
            const int n = owners.getArrayNItems();
            for (int mcid = 0; mcid < n; ++mcid) {
                auto owner = owners.getArrayItem(mcid);
                if (owner.isNull()) {
                    page.owners.push_back(owner);
                    continue;
                }
                if (!owner.isIndirect() || !IsElement(owner) ||
                    !Claim(owner, page.original.getObjGen(), mcid)) {
                    return Found::Damaged;
                }
                page.owners.push_back(owner);
            }
        } else if (!number.isNull()) {
            return Found::Damaged;
        }
        auto from = page.original.getKey("/Annots");
        auto to = page.copy.getKey("/Annots");
        if (!from.isArray() || !to.isArray() || from.getArrayNItems() != to.getArrayNItems()) {
            continue;
        }
        for (int i = 0; i < from.getArrayNItems(); ++i) {
            auto annotation = from.getArrayItem(i);
            auto copied = to.getArrayItem(i);
            if (!annotation.isIndirect() || !copied.isDictionary()) {
                continue;
            }
            m_annotationCopies[annotation.getObjGen()] = copied;
            auto number = annotation.getKey("/StructParent");
            if (!number.isInteger()) {
                continue;
            }
            QPDFObjectHandle owner;
            if (!numbers.Find(number, owner) || !owner.isIndirect() || !IsElement(owner) ||
                !ClaimObject(owner, annotation.getObjGen())) {
                return Found::Damaged;
            }
            page.annotations.emplace_back(copied, owner);
        }
    }
    // Every owner with its ancestors; each must reach the root.
    for (const auto& page : m_pages) {
        for (auto owner : page.owners) {
            if (!owner.isNull() && !KeepAncestors(owner)) {
                return Found::Damaged;
            }
        }
        for (auto annotation : page.annotations) {
            if (!KeepAncestors(annotation.second)) {
                return Found::Damaged;
            }
        }
    }
    return CheckPlacement() ? Found::Sound : Found::Damaged;
}

QPDFObjectHandle CStructTreeMerger::PageOf(QPDFObjectHandle element) {
    // Marked-content ids given as plain numbers are on the page of the
    // element, or of the nearest ancestor that names one.
    auto node = element;
    for (int depth = 0; depth < kMaxStructDepth && IsElement(node); ++depth) {
        auto page = node.getKey("/Pg");
        if (page.isDictionary()) {
            return page;
        }
        node = node.getKey("/P");
    }
    return QPDFObjectHandle::newNull();
}

const CStructTreeMerger::Content& CStructTreeMerger::ContentOf(QPDFObjectHandle element) {
    auto found = m_content.find(element.getObjGen());
    if (found != m_content.end()) {
        return found->second;
    }
    Content content;
    auto page = PageOf(element);
    for (auto kid : StructKids(element)) {
        if (kid.isInteger()) {
            if (page.isIndirect()) {
                content.marked.emplace(page.getObjGen(), kid.getIntValue());
            }
        } else if (IsMarkedContentReference(kid)) {
            auto on = kid.getKey("/Pg").isDictionary() ? kid.getKey("/Pg") : page;
            // Content of a form XObject is numbered within that XObject.
            if (on.isIndirect() && !kid.hasKey("/Stm")) {
                content.marked.emplace(on.getObjGen(), kid.getKey("/MCID").getIntValue());
            }
        } else if (IsObjectReference(kid) && kid.getKey("/Obj").isIndirect()) {
            content.objects.insert(kid.getKey("/Obj").getObjGen());
        }
    }
    return m_content.emplace(element.getObjGen(), std::move(content)).first->second;
}

bool CStructTreeMerger::Claim(QPDFObjectHandle element, QPDFObjGen page, long long mcid) {
    return ContentOf(element).marked.count({page, mcid}) > 0;
}

bool CStructTreeMerger::ClaimObject(QPDFObjectHandle element, QPDFObjGen object) {
    return ContentOf(element).objects.count(object) > 0;
}

bool CStructTreeMerger::KeepAncestors(QPDFObjectHandle element) {
    const QPDFObjGen root = m_sourceRoot.getObjGen();
    std::set<QPDFObjGen> walked;
    auto node = element;
    for (int depth = 0; depth < kMaxStructDepth; ++depth) {
        if (!node.isIndirect()) {
            return false;
        }
        const QPDFObjGen id = node.getObjGen();
        if (id == root) {
            return true;
        }
        if (!IsElement(node) || !walked.insert(id).second) {
            return false;
        }
        if (!m_kept.emplace(id, QPDFObjectHandle::newNull()).second) {
            // Its ancestors were kept (and checked) before.
            return true;
        }
        node = node.getKey("/P");
    }
    return false;
}

bool CStructTreeMerger::CheckPlacement() {
    // Each kept element must be listed exactly once, by the parent it
    // names; otherwise the copied tree would lose it or hold it twice.
    std::map<QPDFObjGen, int> placed;
    auto list = [&](QPDFObjectHandle parent) {
        for (auto kid : StructKids(parent)) {
            if (kid.isIndirect() && m_kept.count(kid.getObjGen())) {
                if (kid.getKey("/P").getObjGen() != parent.getObjGen()) {
                    return false;
                }
                ++placed[kid.getObjGen()];
                if (parent.getObjGen() == m_sourceRoot.getObjGen()) {
                    m_topLevel.push_back(kid);
                }
            }
        }
        return true;
    };
    if (!list(m_sourceRoot)) {
        return false;
    }
    for (const auto& [id, copy] : m_kept) {
        if (!list(m_source.getObjectByObjGen(id))) {
            return false;
        }
    }
    for (const auto& [id, copy] : m_kept) {
        if (placed[id] != 1) {
            return false;
        }
    }
    return true;
}

bool CStructTreeMerger::ReadTarget() {
    auto catalog = m_target.getRoot();
    m_targetRoot = catalog.getKey("/StructTreeRoot");
    if (m_targetRoot.isNull()) {
        m_bNewRoot = true;
        m_nNextKey = 0;
        return true;
    }
    if (!m_targetRoot.isDictionary() || !m_targetRoot.isIndirect()) {
        return false;
    }
    auto kids = m_targetRoot.getKey("/K");
    if (!kids.isNull() && !kids.isArray() && !kids.isDictionary()) {
        return false;
    }
    auto parentTree = m_targetRoot.getKey("/ParentTree");
    if (!parentTree.isDictionary()) {
        return false;
    }
    // New numbers go above every number in use: the largest key of the
    // parent tree, and the next key the file records.
    CSortedTree numbers(m_target, parentTree, CSortedTree::Kind::Numbers);
    long long largest = -1;
    if (!numbers.LargestNumber(largest)) {
        auto items = parentTree.getKey("/Nums");
        const bool empty = !parentTree.hasKey("/Kids") &&
                           (items.isNull() || (items.isArray() && items.getArrayNItems() == 0));
        if (!empty) {
            return false;
        }
        largest = -1;
    }
    m_nNextKey = largest + 1;
    auto next = m_targetRoot.getKey("/ParentTreeNextKey");
    if (next.isInteger() && next.getIntValue() > m_nNextKey) {
        m_nNextKey = next.getIntValue();
    }
    // Keys run up to the largest integer; a tree that close to it is damaged.
    return m_nNextKey < (1LL << 40);
}

void CStructTreeMerger::PlanRoleAndClassNames() {
    auto sourceRoles = m_sourceRoot.getKey("/RoleMap");
    auto targetRoles = m_bNewRoot ? QPDFObjectHandle::newNull() : m_targetRoot.getKey("/RoleMap");
    if (sourceRoles.isDictionary() && !m_bSame) {
        for (const auto& key : sourceRoles.getKeys()) {
            auto value = sourceRoles.getKey(key);
            if (!value.isName()) {
                continue;
            }
            auto mine =
                targetRoles.isDictionary() ? targetRoles.getKey(key) : QPDFObjectHandle::newNull();
            if (mine.isNull()) {
                m_roleAdds[key] = value.getName();
            } else if (!mine.isNameAndEquals(value.getName())) {
                // Taken for another role here: the copied elements use a
                // new name that maps to what the source meant.
                const std::string meant = Resolve(sourceRoles, key);
                for (int n = 1;; ++n) {
                    std::string renamed = key + "_" + std::to_string(n);
                    auto there = targetRoles.getKey(renamed);
                    if (there.isNameAndEquals(meant) ||
                        (there.isNull() && !sourceRoles.hasKey(renamed) &&
                         !m_roleAdds.count(renamed))) {
                        m_roleRenames[key] = renamed;
                        if (there.isNull()) {
                            m_roleAdds[renamed] = meant;
                        }
                        break;
                    }
                }
            }
        }
        // A kept mapping to a renamed role follows the rename.
        for (auto& [key, value] : m_roleAdds) {
            auto renamed = m_roleRenames.find(value);
            if (renamed != m_roleRenames.end()) {
                value = renamed->second;
            }
        }
    }
    auto sourceClasses = m_sourceRoot.getKey("/ClassMap");
    auto targetClasses =
        m_bNewRoot ? QPDFObjectHandle::newNull() : m_targetRoot.getKey("/ClassMap");
    if (sourceClasses.isDictionary() && !m_bSame) {
        for (const auto& key : sourceClasses.getKeys()) {
            auto value = sourceClasses.getKey(key);
            auto mine = targetClasses.isDictionary() ? targetClasses.getKey(key)
                                                     : QPDFObjectHandle::newNull();
            if (mine.isNull()) {
                m_classAdds[key] = value;
                continue;
            }
            const std::string meant = Resolved(value);
            if (Resolved(mine) == meant) {
                continue;
            }
            for (int n = 1;; ++n) {
                std::string renamed = key + "_" + std::to_string(n);
                auto there = targetClasses.getKey(renamed);
                if ((!there.isNull() && Resolved(there) == meant) ||
                    (there.isNull() && !sourceClasses.hasKey(renamed) &&
                     !m_classAdds.count(renamed))) {
                    m_classRenames[key] = renamed;
                    if (there.isNull()) {
                        m_classAdds[renamed] = value;
                    }
                    break;
                }
            }
        }
    }
}

void CStructTreeMerger::BuildCopies() {
    if (m_bNewRoot) {
        m_targetRoot = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
        m_targetRoot.replaceKey("/Type", QPDFObjectHandle::newName("/StructTreeRoot"));
        m_targetRoot.replaceKey("/K", QPDFObjectHandle::newArray());
        m_targetRoot.replaceKey("/ParentTree", m_target.makeIndirectObject(CSortedTree::NewRoot(
                                                   CSortedTree::Kind::Numbers)));
    }
    for (auto& [id, copy] : m_kept) {
        copy = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
    }
    for (auto& [id, copy] : m_kept) {
        auto element = m_source.getObjectByObjGen(id);
        for (const auto& key : element.getKeys()) {
            auto value = element.getKey(key);
            if (key == "/P") {
                auto parent = m_kept.find(value.getObjGen());
                copy.replaceKey(key, parent != m_kept.end() ? parent->second : m_targetRoot);
            } else if (key == "/K") {
                copy.replaceKey(key, CopyKids(element));
            } else if (key == "/Pg") {
                auto page = m_pageCopies.find(value.getObjGen());
                if (value.isIndirect() && page != m_pageCopies.end()) {
                    copy.replaceKey(key, page->second);
                }
            } else if (key == "/S" && value.isName() && m_roleRenames.count(value.getName())) {
                copy.replaceKey(key, QPDFObjectHandle::newName(m_roleRenames[value.getName()]));
            } else if (key == "/C") {
                auto classes = CopyValue(value);
                auto rename = [&](QPDFObjectHandle name) {
                    auto renamed =
                        name.isName() ? m_classRenames.find(name.getName()) : m_classRenames.end();
                    return renamed != m_classRenames.end()
                               ? QPDFObjectHandle::newName(renamed->second)
                               : name;
                };
                if (classes.isArray()) {
                    for (int i = 0; i < classes.getArrayNItems(); ++i) {
                        classes.setArrayItem(i, rename(classes.getArrayItem(i)));
                    }
                    copy.replaceKey(key, classes);
                } else {
                    copy.replaceKey(key, rename(classes));
                }
            } else if (key == "/ID") {
                // Entered with the target's ID tree when committing.
            } else if (key == "/NS") {
                copy.replaceKey(key, CopyNamespace(value));
            } else {
                copy.replaceKey(key, CopyValue(value));
            }
        }
    }
}

QPDFObjectHandle CStructTreeMerger::CopyKids(QPDFObjectHandle element) {
    auto kids = QPDFObjectHandle::newArray();
    auto page = PageOf(element);
    auto copiedPage = [this](QPDFObjectHandle original) {
        if (!original.isIndirect()) {
            return QPDFObjectHandle::newNull();
        }
        auto found = m_pageCopies.find(original.getObjGen());
        return found != m_pageCopies.end() ? found->second : QPDFObjectHandle::newNull();
    };
    for (auto kid : StructKids(element)) {
        if (kid.isInteger()) {
            if (!copiedPage(page).isNull()) {
                // Written with the element's own /Pg, which the copy has
                // only when the element named it; otherwise as a reference.
                if (element.getKey("/Pg").isDictionary()) {
                    kids.appendItem(QPDFObjectHandle::newInteger(kid.getIntValue()));
                } else {
                    auto reference = QPDFObjectHandle::newDictionary();
                    reference.replaceKey("/Type", QPDFObjectHandle::newName("/MCR"));
                    reference.replaceKey("/Pg", copiedPage(page));
                    reference.replaceKey("/MCID", QPDFObjectHandle::newInteger(kid.getIntValue()));
                    kids.appendItem(reference);
                }
            }
        } else if (kid.isIndirect() && m_kept.count(kid.getObjGen())) {
            kids.appendItem(m_kept[kid.getObjGen()]);
        } else if (IsMarkedContentReference(kid)) {
            auto on = copiedPage(kid.getKey("/Pg").isDictionary() ? kid.getKey("/Pg") : page);
            if (!on.isNull() && !kid.hasKey("/Stm")) {
                auto reference = QPDFObjectHandle::newDictionary();
                reference.replaceKey("/Type", QPDFObjectHandle::newName("/MCR"));
                reference.replaceKey("/Pg", on);
                reference.replaceKey(
                    "/MCID", QPDFObjectHandle::newInteger(kid.getKey("/MCID").getIntValue()));
                kids.appendItem(reference);
            }
        } else if (IsObjectReference(kid)) {
            auto object = kid.getKey("/Obj");
            auto copied = object.isIndirect() ? m_annotationCopies.find(object.getObjGen())
                                              : m_annotationCopies.end();
            if (copied == m_annotationCopies.end()) {
                continue;
            }
            auto reference = QPDFObjectHandle::newDictionary();
            reference.replaceKey("/Type", QPDFObjectHandle::newName("/OBJR"));
            auto on = copiedPage(kid.getKey("/Pg").isDictionary() ? kid.getKey("/Pg") : page);
            if (!on.isNull()) {
                reference.replaceKey("/Pg", on);
            }
            reference.replaceKey("/Obj", copied->second);
            kids.appendItem(reference);
        }
    }
    return kids;
}

QPDFObjectHandle CStructTreeMerger::CopyValue(QPDFObjectHandle value, int depth) {
    if (depth > 64) {
        return QPDFObjectHandle::newNull();
    }
    if (value.isIndirect()) {
        const QPDFObjGen id = value.getObjGen();
        if (auto kept = m_kept.find(id); kept != m_kept.end()) {
            return kept->second;
        }
        if (auto page = m_pageCopies.find(id); page != m_pageCopies.end()) {
            return page->second;
        }
        if (auto annotation = m_annotationCopies.find(id); annotation != m_annotationCopies.end()) {
            return annotation->second;
        }
        if (id == m_sourceRoot.getObjGen()) {
            return m_targetRoot;
        }
        // Elements and pages that were not copied stay behind: following
        // them would pull the whole source into the target.
        if (value.isPageObject() || IsElement(value) ||
            value.getKey("/Type").isNameAndEquals("/StructTreeRoot")) {
            return QPDFObjectHandle::newNull();
        }
        return m_bSame ? value : m_target.copyForeignObject(value);
    }
    if (value.isArray()) {
        auto copy = QPDFObjectHandle::newArray();
        for (auto item : value.getArrayAsVector()) {
            copy.appendItem(CopyValue(item, depth + 1));
        }
        return copy;
    }
    if (value.isDictionary()) {
        auto copy = QPDFObjectHandle::newDictionary();
        for (const auto& key : value.getKeys()) {
            copy.replaceKey(key, CopyValue(value.getKey(key), depth + 1));
        }
        return copy;
    }
    if (value.isStream()) {
        return QPDFObjectHandle::newNull();
    }
    // A direct scalar of another document is made afresh in the target.
    return m_bSame ? value : QPDFObjectHandle::parse(value.unparse());
}

QPDFObjectHandle CStructTreeMerger::CopyNamespace(QPDFObjectHandle ns) {
    if (!ns.isIndirect() || !ns.isDictionary()) {
        return CopyValue(ns);
    }
    if (auto known = m_namespaces.find(ns.getObjGen()); known != m_namespaces.end()) {
        return known->second;
    }
    // The target's own namespace of the same name and role map serves.
    QPDFObjectHandle found;
    auto existing = m_bNewRoot ? QPDFObjectHandle::newNull() : m_targetRoot.getKey("/Namespaces");
    if (existing.isArray()) {
        const std::string name = Resolved(ns.getKey("/NS"));
        const std::string roles = Resolved(ns.getKey("/RoleMapNS"));
        for (auto candidate : existing.getArrayAsVector()) {
            if (candidate.isDictionary() && Resolved(candidate.getKey("/NS")) == name &&
                Resolved(candidate.getKey("/RoleMapNS")) == roles) {
                found = candidate;
                break;
            }
        }
    }
    if (!found.isInitialized()) {
        found = CopyValue(ns);
        m_newNamespaces.push_back(found);
    }
    m_namespaces[ns.getObjGen()] = found;
    return found;
}

void CStructTreeMerger::Commit(int insertAfter, int count) {
    auto catalog = m_target.getRoot();
    if (m_bNewRoot) {
        catalog.replaceKey("/StructTreeRoot", m_targetRoot);
        Touch(catalog);
    }
    PlaceTopLevel(insertAfter, count);

    // The new numbers, each entered into the parent tree along one path.
    std::set<QPDFObjGen> changed;
    CSortedTree numbers(m_target, m_targetRoot.getKey("/ParentTree"), CSortedTree::Kind::Numbers);
    auto enter = [&](QPDFObjectHandle holder, const char* key, QPDFObjectHandle value) {
        // A tree whose limits understate its keys still has them: a number
        // in use is skipped rather than taken from the page that has it.
        QPDFObjectHandle used;
        for (int tries = 0;
             tries < 16 && numbers.Find(QPDFObjectHandle::newInteger(m_nNextKey), used); ++tries) {
            ++m_nNextKey;
        }
        auto number = QPDFObjectHandle::newInteger(m_nNextKey);
        if (!numbers.Find(number, used) && numbers.Insert(number, value, changed)) {
            holder.replaceKey(key, number);
            ++m_nNextKey;
        } else {
            holder.removeKey(key);
        }
    };
    for (auto& page : m_pages) {
        DropFormNumbers(page.copy);
        if (page.numbered) {
            auto owners = QPDFObjectHandle::newArray();
            for (auto owner : page.owners) {
                owners.appendItem(owner.isNull() ? owner : m_kept[owner.getObjGen()]);
            }
            // Short arrays sit in the leaf itself, which keeps the file as
            // small as the pages allow; long ones are objects of their own,
            // so that the leaf an append rewrites stays small.
            enter(page.copy, "/StructParents",
                  page.owners.size() <= kDirectOwners ? owners
                                                      : m_target.makeIndirectObject(owners));
        } else {
            page.copy.removeKey("/StructParents");
        }
        std::set<QPDFObjGen> owned;
        for (const auto& [annotation, owner] : page.annotations) {
            owned.insert(annotation.getObjGen());
            enter(annotation, "/StructParent", m_kept[owner.getObjGen()]);
        }
        auto annotations = page.copy.getKey("/Annots");
        if (annotations.isArray()) {
            for (auto annotation : annotations.getArrayAsVector()) {
                if (annotation.isDictionary() && !owned.count(annotation.getObjGen())) {
                    annotation.removeKey("/StructParent");
                }
            }
        }
    }
    for (const auto& id : changed) {
        Touch(m_target.getObjectByObjGen(id));
    }
    m_targetRoot.replaceKey("/ParentTreeNextKey", QPDFObjectHandle::newInteger(m_nNextKey));
    Touch(m_targetRoot);

    auto merge = [this](const char* key, auto&& entries, auto&& makeValue) {
        if (entries.empty()) {
            return;
        }
        auto map = m_targetRoot.getKey(key);
        if (!map.isDictionary()) {
            map = QPDFObjectHandle::newDictionary();
            m_targetRoot.replaceKey(key, map);
        }
        for (const auto& [name, value] : entries) {
            map.replaceKey(name, makeValue(value));
        }
        Touch(map);
    };
    merge("/RoleMap", m_roleAdds,
          [](const std::string& value) { return QPDFObjectHandle::newName(value); });
    merge("/ClassMap", m_classAdds, [this](QPDFObjectHandle value) { return CopyValue(value); });

    if (!m_newNamespaces.empty()) {
        auto namespaces = m_targetRoot.getKey("/Namespaces");
        if (!namespaces.isArray()) {
            namespaces = QPDFObjectHandle::newArray();
            m_targetRoot.replaceKey("/Namespaces", namespaces);
        }
        for (auto ns : m_newNamespaces) {
            namespaces.appendItem(ns);
        }
        Touch(namespaces);
    }

    for (auto& [id, copy] : m_kept) {
        AddId(m_source.getObjectByObjGen(id), copy);
    }

    // A new document takes the language of its first source that names one.
    auto language = m_source.getRoot().getKey("/Lang");
    if (language.isString() && !catalog.getKey("/Lang").isString()) {
        catalog.replaceKey("/Lang", QPDFObjectHandle::newString(language.getStringValue()));
        Touch(catalog);
    } else if (language.isString() &&
               catalog.getKey("/Lang").getStringValue() != language.getStringValue()) {
        // Pages in another language keep theirs on their elements.
        for (auto top : m_topLevel) {
            auto copy = m_kept[top.getObjGen()];
            if (!copy.hasKey("/Lang")) {
                copy.replaceKey("/Lang", QPDFObjectHandle::newString(language.getStringValue()));
            }
        }
    }
}

void CStructTreeMerger::PlaceTopLevel(int insertAfter, int count) {
    auto kids = m_targetRoot.getKey("/K");
    if (!kids.isArray()) {
        auto array = QPDFObjectHandle::newArray();
        if (kids.isDictionary()) {
            array.appendItem(kids);
        }
        kids = array;
        m_targetRoot.replaceKey("/K", kids);
        Touch(m_targetRoot);
    }
    // The new elements go after the last element that starts on a page
    // before the copies; appending finds it at the end.
    const int after = insertAfter + count;
    int position = kids.getArrayNItems();
    while (position > 0) {
        int budget = 256;
        const int first = FirstPageOf(kids.getArrayItem(position - 1), budget, 0);
        if (first <= after) {
            break;
        }
        --position;
    }
    for (auto top : m_topLevel) {
        kids.insertItem(position++, m_kept[top.getObjGen()]);
    }
    Touch(kids);
    Touch(m_targetRoot);
}

int CStructTreeMerger::FirstPageOf(QPDFObjectHandle node, int& budget, int depth) {
    // -1 when no page is found within a bounded walk: such an element
    // does not move the new ones.
    if (--budget < 0 || depth > 32 || !node.isDictionary()) {
        return -1;
    }
    auto page = node.getKey("/Pg");
    if (page.isDictionary()) {
        try {
            return m_target.findPage(page);
        } catch (...) {
        }
    }
    for (auto kid : StructKids(node)) {
        if (kid.isDictionary()) {
            const int first = FirstPageOf(kid, budget, depth + 1);
            if (first >= 0 || budget < 0) {
                return first;
            }
        }
    }
    return -1;
}

void CStructTreeMerger::AddId(QPDFObjectHandle original, QPDFObjectHandle copy) {
    auto id = original.getKey("/ID");
    if (!id.isString()) {
        return;
    }
    auto tree = m_targetRoot.getKey("/IDTree");
    if (!tree.isDictionary()) {
        if (!tree.isNull()) {
            return;
        }
        tree = m_target.makeIndirectObject(CSortedTree::NewRoot(CSortedTree::Kind::Names));
        m_targetRoot.replaceKey("/IDTree", tree);
        Touch(m_targetRoot);
    }
    CSortedTree names(m_target, tree, CSortedTree::Kind::Names);
    // An ID taken in the target gets the copy's object number as a suffix:
    // unique at once, however often the same source was appended before.
    std::string name = id.getStringValue();
    QPDFObjectHandle there;
    for (int n = 0; n < 100 && names.Find(QPDFObjectHandle::newString(name), there); ++n) {
        name = id.getStringValue() + "-" + std::to_string(copy.getObjectID()) +
               (n > 0 ? "-" + std::to_string(n) : "");
    }
    std::set<QPDFObjGen> changed;
    auto key = QPDFObjectHandle::newString(name);
    if (names.Insert(key, copy, changed)) {
        copy.replaceKey("/ID", key);
    }
    for (const auto& node : changed) {
        Touch(m_target.getObjectByObjGen(node));
    }
}

void CStructTreeMerger::DropFormNumbers(QPDFObjectHandle page) {
    // Marked content inside form XObjects is not carried over (references
    // into an XObject's content are left out of the copied elements), so
    // the copied XObjects' numbers would point at unrelated entries of the
    // target's parent tree. Copies from another document are the target's
    // own new objects; within one document they are shared and left alone.
    if (m_bSame) {
        return;
    }
    auto resources = page.getKey("/Resources");
    auto forms = resources.isDictionary() ? resources.getKey("/XObject") : resources;
    if (!forms.isDictionary()) {
        return;
    }
    for (const auto& key : forms.getKeys()) {
        auto form = forms.getKey(key);
        if (form.isStream() && form.getDict().hasKey("/StructParents")) {
            form.getDict().removeKey("/StructParents");
        }
    }
}

void CStructTreeMerger::Strip() {
    for (auto& page : m_pages) {
        DropFormNumbers(page.copy);
        page.copy.removeKey("/StructParents");
        auto annotations = page.copy.getKey("/Annots");
        if (!annotations.isArray()) {
            continue;
        }
        // The copies' annotations are copies too (qpdf copies them with a
        // page of another document and makes private ones for a page
        // inserted twice), so removing their numbers leaves the originals.
        for (auto annotation : annotations.getArrayAsVector()) {
            if (annotation.isDictionary() && annotation.hasKey("/StructParent")) {
                annotation.removeKey("/StructParent");
            }
        }
    }
}

void CStructTreeMerger::UpdateMarkInfo(bool tagged, int targetPagesBefore) {
    auto catalog = m_target.getRoot();
    const bool wasMarked = Marked(catalog);
    const bool marked = tagged && (targetPagesBefore == 0 || wasMarked);
    if (marked == wasMarked) {
        return;
    }
    auto info = catalog.getKey("/MarkInfo");
    if (!info.isDictionary()) {
        info = QPDFObjectHandle::newDictionary();
        catalog.replaceKey("/MarkInfo", info);
    }
    info.replaceKey("/Marked", QPDFObjectHandle::newBool(marked));
    Touch(info);
    Touch(catalog);
}

} // namespace quorvel
