#pragma once

#include "pdfserver/DocumentNames.h"
#include "pdfserver/FormFields.h"
#include "pdfserver/IncrementalUpdate.h"
#include "pdfserver/StreamSharing.h"

#include <qpdf/QPDF.hh>

#include <memory>
#include <vector>

namespace quorvel {

// One parsed PDF plus every parsed file whose objects were copied into it.
// qpdf reads copied stream data lazily from the file it came from, so the
// instances in `sources` must live as long as this one is unwritten; holding
// them here makes that lifetime independent of the client's Close calls.
struct PdfInstance {
    QPDF pdf;
    std::vector<std::shared_ptr<PdfInstance>> sources;
    // Pages were inserted: qpdf has flattened the page tree and pushed
    // inherited attributes down to the pages, so later inserts change no
    // existing page.
    bool pageTreeFlat = false;
    // As a source: whether copies take its stream data at once (small
    // files) or read it from its file when written (large files).
    bool copyModeChosen = false;
    bool immediateCopy = false;
    // As a target: some copied stream reads lazily from a source file, which
    // qpdf then keeps open for as long as this document lives.
    bool holdsSourceFiles = false;
    // As a target: the top-level fields of its form, read when first needed.
    FormFieldIndex formFields;
    // As a target: the names of its named destinations and attachments.
    NameIndex destinationNames;
    NameIndex attachmentNames;
    // As a target: streams copied from source files, for later rows of the
    // same files to share.
    SharedStreamIndex sharedStreams;
    // Where streams this document appended to its file read their data.
    std::shared_ptr<CWrittenStreams> writtenStreams;
    // How the page tree is laid out in that file.
    FilePageTree filePageTree;

    void AddSource(const std::shared_ptr<PdfInstance>& source) {
        if (source.get() == this) {
            return;
        }
        for (const auto& known : sources) {
            if (known == source) {
                return;
            }
        }
        sources.push_back(source);
    }
};

} // namespace quorvel
