#pragma once

#include "pdfserver/DestinationResolver.h"
#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <string>

namespace quorvel {

// The names a target's name tree holds, read once when first needed and kept
// up to date by the copiers below: looking a name up in qpdf's tree helper
// costs more than the rest of a row's work once the tree is large.
struct NameIndex {
    bool built = false;
    std::set<std::string> names;
    // For each name that clashed: the next number to try for a distinct
    // one, so that the thousandth source with the same names does not try
    // the 999 taken ones first.
    std::map<std::string, int> nextNumber;
    // Attachments: for each name, a hash of the bytes stored under it and
    // its numbered names, with the name holding them (read from the file
    // once per name, then kept up to date).
    std::map<std::string, std::multimap<size_t, std::string>> storedBytes;

    // `name` when free, else the first free numbered form of it.
    std::string Distinct(const std::string& name, std::string (*numbered)(const std::string&, int));
};

// Copies the source's document attachments (/Names /EmbeddedFiles) into the
// target. An attachment the target holds under the same name with the same
// bytes is not added again; one with other bytes is added under a distinct
// name ("report (2).txt").
void CopyAttachments(QPDF& source, QPDF& target, NameIndex& index, const ChangeSink& changed);

// Carries a source's named destinations into the target's /Names /Dests for
// one row: a name whose destination lies in a page the row copied points at
// the first copy of that page. Old-style /Dests dictionaries of the source
// are read as well. A name the target already uses gets a distinct one
// ("name-2"); names pointing into pages the row did not copy are left out.
class CNamedDestinationCopier {
public:
    CNamedDestinationCopier(QPDF& source, CDestinationResolver& resolver, QPDF& target,
                            NameIndex& index);

    // Adds the names pointing into `added` (source page index -> first copy).
    void Add(const std::map<int, QPDFObjectHandle>& added, const ChangeSink& changed);

private:
    void Note(const std::string& name, QPDFObjectHandle value);

    CDestinationResolver& m_resolver;
    QPDF& m_target;
    NameIndex& m_index;
    std::map<std::string, bool> m_seen;
    std::multimap<int, std::pair<std::string, QPDFObjectHandle>> m_byPage;
};

} // namespace quorvel
