#include "pdfserver/CopyRow.h"

#include "pdfserver/CommentTies.h"
#include "pdfserver/PageCopier.h"
#include "pdfserver/PageLabels.h"

#include <qpdf/PDFVersion.hh>

#include <cstdio>
#include <set>

namespace quorvel {

namespace {

// Runs one step that carries a feature of the copied pages; a damaged
// structure in the source costs that feature, not the insert.
template <class Step> void BestEffort(Step step) {
    try {
        step();
    } catch (...) {
    }
}

bool ParseVersion(const std::string& text, int& major, int& minor) {
    return std::sscanf(text.c_str(), "%d.%d", &major, &minor) == 2 && major > 0 && minor >= 0;
}

// The version a document declares: its header, raised by the catalog's
// /Version.
PDFVersion DeclaredVersion(QPDF& pdf) {
    int major = 1;
    int minor = 0;
    PDFVersion version(1, 0);
    if (ParseVersion(pdf.getPDFVersion(), major, minor)) {
        version = PDFVersion(major, minor);
    }
    auto catalogVersion = pdf.getRoot().getKey("/Version");
    if (catalogVersion.isName() && ParseVersion(catalogVersion.getName().substr(1), major, minor)) {
        version.updateIfGreater(PDFVersion(major, minor));
    }
    return version;
}

} // namespace

CCopyRow::CCopyRow(std::shared_ptr<PdfInstance> source, PdfInstance& target,
                   const std::string& sourceIdentity)
    : m_source(std::move(source)), m_target(target), m_from(m_source->pdf), m_into(target.pdf),
      m_bSameDocument(&m_from == &m_into), m_resolver(m_from),
      m_streams(m_into, sourceIdentity.empty() || m_bSameDocument
                            ? nullptr
                            : &target.sharedStreams[sourceIdentity]),
      m_layers(m_from, m_into), m_forms(m_from, m_into, target.formFields) {}

void CCopyRow::Insert(int insertAfter, int first, int count, bool copyBookmarks,
                      const ChangeSink& changed) {
    // Labels are read before the insert, which matters when a document is
    // inserted into itself.
    std::unique_ptr<CPageLabelCopier> labels;
    BestEffort([&] {
        labels = std::make_unique<CPageLabelCopier>(m_from, m_into, insertAfter, first, count);
    });
    CPageCopier copier(m_from, m_into, &m_streams, changed);
    auto copies = copier.Insert(insertAfter, first, count);
    const auto& sourcePages = copier.SourcePages();

    // The pages are in. What follows carries the rest of what they showed.
    std::map<int, QPDFObjectHandle> added;
    std::vector<QPDFObjectHandle> usedSourcePages;
    std::vector<QPDFObjectHandle> fieldPages;
    for (auto copy : copies) {
        m_pages.push_back(copy.page);
        if (m_copies.emplace(copy.sourcePage, copy.page).second) {
            added.emplace(copy.sourcePage, copy.page);
            usedSourcePages.push_back(sourcePages.at(static_cast<size_t>(copy.sourcePage)));
        }
        if (!copy.duplicate && !m_bSameDocument) {
            fieldPages.push_back(copy.page);
        }
    }
    if (copier.MergedForms()) {
        m_target.formFields.built = false;
    }

    BestEffort([&] {
        for (auto copy : copies) {
            QPDFObjectHandle original = sourcePages.at(static_cast<size_t>(copy.sourcePage));
            auto originals = original.getKey("/Annots");
            auto copied = QPDFObjectHandle(copy.page).getKey("/Annots");
            if (!copied.isArray()) {
                continue;
            }
            int n = copied.getArrayNItems();
            bool paired = originals.isArray() && originals.getArrayNItems() == n;
            for (int i = 0; i < n; ++i) {
                auto annotation = copied.getArrayItem(i);
                RetargetLink(sourcePages, paired ? originals.getArrayItem(i) : annotation,
                             annotation, changed);
            }
        }
        // Links of earlier ranges whose page this range brought.
        for (const auto& [page, copy] : added) {
            auto [from, to] = m_pendingLinks.equal_range(page);
            for (auto it = from; it != to; ++it) {
                it->second.annotation.replaceKey(
                    "/Dest", COutlineCopier::RetargetDestination(it->second.destination, copy));
            }
            m_pendingLinks.erase(from, to);
        }
    });
    BestEffort([&] { m_forms.AddFieldsOf(fieldPages, changed); });
    if (copyBookmarks) {
        BestEffort([&] {
            if (!m_outlines) {
                m_outlines = std::make_unique<COutlineCopier>(m_from, m_resolver, m_into);
            }
            m_outlines->Add(added, changed);
        });
    }
    if (labels) {
        BestEffort([&] { labels->Apply(changed); });
    }
    BestEffort([&] { m_layers.AddLayersOf(usedSourcePages, changed); });
    if (!m_bSameDocument && !copies.empty()) {
        if (!m_bAttachmentsCopied) {
            m_bAttachmentsCopied = true;
            BestEffort([&] { CopyAttachments(m_from, m_into, m_target.attachmentNames, changed); });
        }
        BestEffort([&] {
            if (!m_bNamesRead) {
                m_bNamesRead = true;
                m_names = std::make_unique<CNamedDestinationCopier>(m_from, m_resolver, m_into,
                                                                    m_target.destinationNames);
            }
            if (m_names) {
                m_names->Add(added, changed);
            }
        });
        BestEffort([&] { RaiseVersion(changed); });
    }
}

void CCopyRow::RetargetLink(const std::vector<QPDFObjectHandle>& sourcePages,
                            QPDFObjectHandle original, QPDFObjectHandle copy,
                            const ChangeSink& changed) {
    if (!copy.isDictionary() || !CDestinationResolver::HasLocalJump(original)) {
        return;
    }
    auto destination = m_resolver.ExplicitDestination(original);
    int page = m_resolver.PageIndex(destination);
    QPDFObjectHandle target = QPDFObjectHandle::newNull();
    if (auto found = m_copies.find(page); found != m_copies.end()) {
        target = found->second;
    } else if (m_bSameDocument && page >= 0) {
        // Within one document the original page is still there.
        target = sourcePages.at(static_cast<size_t>(page));
    }
    auto action = copy.getKey("/A");
    if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
        copy.removeKey("/A");
    }
    changed(copy);
    if (target.isNull()) {
        copy.removeKey("/Dest");
        if (page >= 0) {
            m_pendingLinks.emplace(page, PendingLink{copy, destination});
        }
    } else {
        copy.replaceKey("/Dest", COutlineCopier::RetargetDestination(destination, target));
    }
}

void CCopyRow::RaiseVersion(const ChangeSink& changed) {
    // The header of a file that is appended to cannot change; the catalog's
    // /Version says the same and is honoured when the file is written whole.
    auto catalog = m_into.getRoot();
    PDFVersion source = DeclaredVersion(m_from);
    PDFVersion target = DeclaredVersion(m_into);
    if (target < source) {
        int major = 0;
        int minor = 0;
        int extension = 0;
        std::string text;
        source.getVersion(text, extension);
        if (ParseVersion(text, major, minor)) {
            catalog.replaceKey("/Version", QPDFObjectHandle::newName("/" + text));
            changed(catalog);
        }
    }
    // Extension levels of the same base version.
    const int sourceLevel = m_from.getExtensionLevel();
    if (sourceLevel > m_into.getExtensionLevel()) {
        auto sourceAdobe = m_from.getRoot().getKey("/Extensions").getKey("/ADBE");
        auto extensions = catalog.getKey("/Extensions");
        if (!extensions.isDictionary()) {
            extensions = QPDFObjectHandle::newDictionary();
            catalog.replaceKey("/Extensions", extensions);
        }
        extensions.replaceKey("/ADBE", CopyForeignValue(m_from, m_into, sourceAdobe));
        changed(extensions);
        changed(catalog);
    }
}

void CCopyRow::Finish(const ChangeSink& changed) {
    BestEffort([&] { m_layers.Finish(changed); });
    if (m_bSameDocument) {
        return;
    }
    BestEffort([&] {
        // A reply's target, a popup or a popup's parent that the row did not
        // bring onto a page would be a copy on no page: the tie goes.
        std::set<QPDFObjGen> onPages;
        for (auto& page : m_pages) {
            auto annotations = page.getKey("/Annots");
            if (annotations.isArray()) {
                for (auto annotation : annotations.getArrayAsVector()) {
                    if (annotation.isIndirect()) {
                        onPages.insert(annotation.getObjGen());
                    }
                }
            }
        }
        BestEffort([&] { m_forms.DropWidgetsOffPages(onPages, changed); });
        for (auto& page : m_pages) {
            auto annotations = page.getKey("/Annots");
            if (!annotations.isArray()) {
                continue;
            }
            for (auto annotation : annotations.getArrayAsVector()) {
                ForEachCommentTie(annotation, [&](const char* key, QPDFObjectHandle tie) {
                    if (!onPages.count(tie.getObjGen())) {
                        annotation.removeKey(key);
                        changed(annotation);
                    }
                });
            }
        }
    });
}

} // namespace quorvel
