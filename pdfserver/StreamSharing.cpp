#include "pdfserver/StreamSharing.h"

namespace quorvel {

namespace {

// Direct nesting deeper than this is not followed; real files nest a few
// levels.
constexpr int kMaxDepth = 32;

// Keys that lead to what belongs to other pages or to the row as a whole:
// the page tree, an annotation's page and field, threads, actions and
// destinations.
bool LeadsAway(const std::string& key) {
    return key == "/Parent" || key == "/P" || key == "/B" || key == "/A" || key == "/Dest" ||
           key == "/StructParents" || key == "/StructParent";
}

bool IsPageNode(QPDFObjectHandle dictionary) {
    auto type = dictionary.getKey("/Type");
    return type.isNameAndEquals("/Page") || type.isNameAndEquals("/Pages");
}

bool SameObject(QPDFObjectHandle a, QPDFObjectHandle b) {
    return a.isIndirect() && b.isIndirect() && a.getObjGen() == b.getObjGen();
}

} // namespace

std::string SourceIdentity(const FileStamp& stamp) {
    return std::to_string(stamp.device) + ':' + std::to_string(stamp.inode) + ':' +
           std::to_string(stamp.size) + ':' + std::to_string(stamp.modified.tv_sec) + '.' +
           std::to_string(stamp.modified.tv_nsec) + ':' + std::to_string(stamp.changed.tv_sec) +
           '.' + std::to_string(stamp.changed.tv_nsec) + ':' + stamp.tail;
}

void CStreamSharer::Share(QPDFObjectHandle original, QPDFObjectHandle copy,
                          const ChangeSink& changed) {
    if (!m_known) {
        return;
    }
    try {
        Visit(original, copy, copy, 0, changed);
    } catch (...) {
    }
}

QPDFObjectHandle CStreamSharer::Visit(QPDFObjectHandle from, QPDFObjectHandle to,
                                      QPDFObjectHandle owner, int depth,
                                      const ChangeSink& changed) {
    if (depth > kMaxDepth) {
        return to;
    }
    if (from.isIndirect()) {
        if (!to.isIndirect()) {
            return to;
        }
        if (auto seen = m_seen.find(from.getObjGen()); seen != m_seen.end()) {
            return seen->second;
        }
        if (from.isStream() && to.isStream()) {
            QPDFObjGen& known = (*m_known)[from.getObjGen()];
            if (known.isIndirect() && known != to.getObjGen()) {
                auto earlier = m_target.getObjectByObjGen(known);
                if (earlier.isStream()) {
                    m_seen.emplace(from.getObjGen(), earlier);
                    return earlier;
                }
            }
            known = to.getObjGen();
        }
        // Recorded before following it: a structure may lead back to itself.
        m_seen.emplace(from.getObjGen(), to);
        owner = to;
    }
    if (from.isStream() && to.isStream()) {
        VisitDictionary(from.getDict(), to.getDict(), owner, depth + 1, changed);
    } else if (from.isDictionary() && to.isDictionary()) {
        if (depth == 0 || !IsPageNode(from)) {
            VisitDictionary(from, to, owner, depth + 1, changed);
        }
    } else if (from.isArray() && to.isArray() && from.getArrayNItems() == to.getArrayNItems()) {
        for (int i = 0; i < from.getArrayNItems(); ++i) {
            auto item = to.getArrayItem(i);
            auto use = Visit(from.getArrayItem(i), item, owner, depth + 1, changed);
            if (item.isIndirect() && !SameObject(use, item)) {
                to.setArrayItem(i, use);
                changed(owner);
            }
        }
    }
    return to;
}

void CStreamSharer::VisitDictionary(QPDFObjectHandle from, QPDFObjectHandle to,
                                    QPDFObjectHandle owner, int depth, const ChangeSink& changed) {
    for (const auto& key : from.getKeys()) {
        if (LeadsAway(key) || !to.hasKey(key)) {
            continue;
        }
        auto value = to.getKey(key);
        auto use = Visit(from.getKey(key), value, owner, depth, changed);
        if (value.isIndirect() && !SameObject(use, value)) {
            to.replaceKey(key, use);
            changed(owner);
        }
    }
}

} // namespace quorvel
