#pragma once

#include "pdfserver/DestinationResolver.h"
#include "pdfserver/DocumentNames.h"
#include "pdfserver/FormFields.h"
#include "pdfserver/ObjectCopy.h"
#include "pdfserver/OptionalContent.h"
#include "pdfserver/OutlineCopier.h"
#include "pdfserver/PdfInstance.h"
#include "pdfserver/StreamSharing.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <memory>
#include <vector>

namespace quorvel {

// Everything one source gives one target between two saves: one row of an
// append run, however many page ranges it inserts. Links, outline items and
// named destinations of the source resolve against every page the row has
// copied so far, the first copy of a page winning; each outline item is
// copied once per row. The source's layers, labels, form fields,
// attachments and version come along with the pages. Work per insert is
// bounded by the source and the pages inserted, never by the target's size.
class CCopyRow {
public:
    // `sourceIdentity` names the state of the source's file (empty for a
    // document that is not an unchanged file): rows of the same file share
    // the streams they copy into the target.
    CCopyRow(std::shared_ptr<PdfInstance> source, PdfInstance& target,
             const std::string& sourceIdentity = {});

    const std::shared_ptr<PdfInstance>& Source() const { return m_source; }

    // Inserts source pages first..first+count-1 after target page
    // `insertAfter`. Throws when the pages cannot be copied (the target's
    // pages are then as they were); a failure in carrying the rest of what
    // the pages showed costs that feature only.
    void Insert(int insertAfter, int first, int count, bool copyBookmarks,
                const ChangeSink& changed);

    // Source page index -> its first copy in the target, for the whole row.
    const std::map<int, QPDFObjectHandle>& Copies() const { return m_copies; }

    // Ends the row: comment ties to annotations that are on none of the
    // row's pages are dropped, and the source's layer order follows.
    void Finish(const ChangeSink& changed);

private:
    struct PendingLink {
        QPDFObjectHandle annotation;
        QPDFObjectHandle destination;
    };

    void RetargetLink(const std::vector<QPDFObjectHandle>& sourcePages, QPDFObjectHandle original,
                      QPDFObjectHandle copy, const ChangeSink& changed);
    void RaiseVersion(const ChangeSink& changed);

    std::shared_ptr<PdfInstance> m_source;
    PdfInstance& m_target;
    QPDF& m_from;
    QPDF& m_into;
    bool m_bSameDocument;
    CDestinationResolver m_resolver;
    std::map<int, QPDFObjectHandle> m_copies;
    std::vector<QPDFObjectHandle> m_pages;
    std::multimap<int, PendingLink> m_pendingLinks;
    std::unique_ptr<COutlineCopier> m_outlines;
    std::unique_ptr<CNamedDestinationCopier> m_names;
    CStreamSharer m_streams;
    COptionalContentCopier m_layers;
    CFormFields m_forms;
    bool m_bAttachmentsCopied = false;
    bool m_bNamesRead = false;
};

} // namespace quorvel
