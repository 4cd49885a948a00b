#include "pdfserver/DocumentNames.h"

#include "pdfserver/DocumentTrees.h"
#include "pdfserver/OutlineCopier.h"

#include <qpdf/QPDFNameTreeObjectHelper.hh>

namespace quorvel {

namespace {

// Numbered names of an attachment whose bytes are compared with the new
// one's; past them a free name is all that is looked for.
constexpr int kMaxNameTries = 1000;

// The bytes of the file an attachment's file dictionary embeds; false when there is
// none or it cannot be read.
bool EmbeddedBytes(QPDFObjectHandle fileSpec, std::string& bytes) {
    if (!fileSpec.isDictionary()) {
        return false;
    }
    auto files = fileSpec.getKey("/EF");
    if (!files.isDictionary()) {
        return false;
    }
    for (const char* key : {"/UF", "/F"}) {
        auto stream = files.getKey(key);
        if (stream.isStream()) {
            try {
                auto data = stream.getStreamData(qpdf_dl_all);
                bytes.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
                return true;
            } catch (...) {
                return false;
            }
        }
    }
    return false;
}

// "name (n).ext" for a file name, "name (n)" without an extension.
std::string Numbered(const std::string& name, int n) {
    auto dot = name.rfind('.');
    std::string suffix = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos || dot == 0) {
        return name + suffix;
    }
    return name.substr(0, dot) + suffix + name.substr(dot);
}

// "name-n" for a named destination.
std::string Dashed(const std::string& name, int n) {
    return name + "-" + std::to_string(n);
}

void BuildIndex(QPDF& pdf, QPDFObjectHandle tree, NameIndex& index) {
    if (index.built) {
        return;
    }
    index.built = true;
    index.names.clear();
    index.nextNumber.clear();
    index.storedBytes.clear();
    for (const auto& entry : QPDFNameTreeObjectHelper(tree, pdf)) {
        index.names.insert(entry.first);
    }
}

} // namespace

std::string NameIndex::Distinct(const std::string& name,
                                std::string (*numbered)(const std::string&, int)) {
    if (!names.count(name)) {
        return name;
    }
    int& n = nextNumber.try_emplace(name, 2).first->second;
    std::string chosen = numbered(name, n);
    while (names.count(chosen)) {
        chosen = numbered(name, ++n);
    }
    ++n;
    return chosen;
}

void CopyAttachments(QPDF& source, QPDF& target, NameIndex& index, const ChangeSink& changed) {
    if (&source == &target) {
        return;
    }
    auto files = trees::NameTree(source, "/EmbeddedFiles", false, changed);
    if (files.isNull()) {
        return;
    }
    std::vector<std::pair<std::string, QPDFObjectHandle>> attachments;
    for (auto entry : QPDFNameTreeObjectHelper(files, source, false)) {
        QPDFObjectHandle fileSpec = entry.second;
        const std::string& name = entry.first;
        if (fileSpec.isDictionary()) {
            attachments.emplace_back(name, fileSpec);
        }
    }
    if (attachments.empty()) {
        return;
    }
    auto into = trees::NameTree(target, "/EmbeddedFiles", true, changed);
    BuildIndex(target, into, index);
    for (const auto& [name, fileSpec] : attachments) {
        std::string bytes;
        const bool readable = EmbeddedBytes(fileSpec, bytes);
        auto [known, first] = index.storedBytes.try_emplace(name);
        auto& stored = known->second;
        if (first && index.names.count(name)) {
            // What the file already holds under the name and its numbered
            // names, up to the first free one, read once.
            for (int n = 1; n <= kMaxNameTries; ++n) {
                const std::string held = n == 1 ? name : Numbered(name, n);
                if (!index.names.count(held)) {
                    break;
                }
                std::string heldBytes;
                if (EmbeddedBytes(trees::FindName(target, into, held), heldBytes)) {
                    stored.emplace(std::hash<std::string>()(heldBytes), held);
                }
            }
        }
        const size_t hash = std::hash<std::string>()(bytes);
        bool present = false;
        if (readable) {
            auto [from, to] = stored.equal_range(hash);
            for (auto it = from; it != to && !present; ++it) {
                std::string heldBytes;
                present = EmbeddedBytes(trees::FindName(target, into, it->second), heldBytes) &&
                          heldBytes == bytes;
            }
        }
        if (present) {
            continue;
        }
        // A name in use is never given again: inserting under it would
        // replace the attachment stored there.
        const std::string chosen = index.Distinct(name, Numbered);
        auto copy = CopyForeignValue(source, target, fileSpec);
        if (!copy.isIndirect()) {
            copy = target.makeIndirectObject(copy);
        }
        if (chosen != name) {
            copy.replaceKey("/UF", QPDFObjectHandle::newUnicodeString(chosen));
            copy.replaceKey("/F", QPDFObjectHandle::newUnicodeString(chosen));
        }
        trees::InsertName(target, into, chosen, copy, changed);
        index.names.insert(chosen);
        if (readable) {
            stored.emplace(hash, chosen);
        }
    }
}

CNamedDestinationCopier::CNamedDestinationCopier(QPDF& source, CDestinationResolver& resolver,
                                                 QPDF& target, NameIndex& index)
    : m_resolver(resolver), m_target(target), m_index(index) {
    auto root = source.getRoot();
    auto names = root.getKey("/Names");
    if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
        for (const auto& [name, value] :
             QPDFNameTreeObjectHelper(names.getKey("/Dests"), source, false)) {
            Note(name, value);
        }
    }
    auto dests = root.getKey("/Dests");
    if (dests.isDictionary()) {
        for (auto key : dests.getKeys()) {
            Note(key.substr(1), dests.getKey(key));
        }
    }
}

void CNamedDestinationCopier::Note(const std::string& name, QPDFObjectHandle value) {
    if (!m_seen.emplace(name, true).second) {
        return;
    }
    // A named destination may be a dictionary whose /D holds the array.
    if (value.isDictionary()) {
        value = value.getKey("/D");
    }
    int page = m_resolver.PageIndex(value);
    if (page >= 0) {
        m_byPage.emplace(page, std::make_pair(name, value));
    }
}

void CNamedDestinationCopier::Add(const std::map<int, QPDFObjectHandle>& added,
                                  const ChangeSink& changed) {
    QPDFObjectHandle into = QPDFObjectHandle::newNull();
    for (const auto& [page, copy] : added) {
        auto [from, to] = m_byPage.equal_range(page);
        for (auto it = from; it != to; ++it) {
            const auto& [name, destination] = it->second;
            if (into.isNull()) {
                into = trees::NameTree(m_target, "/Dests", true, changed);
                BuildIndex(m_target, into, m_index);
            }
            const std::string chosen = m_index.Distinct(name, Dashed);
            trees::InsertName(m_target, into, chosen,
                              COutlineCopier::RetargetDestination(destination, copy), changed);
            m_index.names.insert(chosen);
        }
    }
}

} // namespace quorvel
