#pragma once

#include "pdfserver/FileStamp.h"
#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>

#include <map>
#include <string>

namespace quorvel {

// As a target: for each source file (by SourceIdentity), which of its stream
// objects an earlier row copied, and where the copy is in the target. Object
// numbers are those of the target's current revision.
using SharedStreamIndex = std::map<std::string, std::map<QPDFObjGen, QPDFObjGen>>;

// What identifies one state of a source file across parses: its object
// numbers and stream data stay the same for as long as the stamp does.
std::string SourceIdentity(const FileStamp& stamp);

// Lets the rows of one source file share the streams (images, fonts, form
// XObjects, colour profiles) they copy into one target. Every row parses
// its source anew, so qpdf copies each of the source's streams again; once a
// page is copied, its references to a stream an earlier row already copied
// are pointed at that earlier copy, and the fresh copy is left to the
// unreferenced objects the final rewrite drops. This runs on qpdf's copy as
// it comes, before anything else changes it, so the copy still mirrors the
// source object for object. Parents, fields, actions and other pages are not
// followed. Work is bounded by the objects of the copied pages.
class CStreamSharer {
public:
    // `known` is the index entry of the source file; null shares nothing.
    CStreamSharer(QPDF& target, std::map<QPDFObjGen, QPDFObjGen>* known)
        : m_target(target), m_known(known) {}

    // `copy` is qpdf's fresh copy of source page `original`. Never throws:
    // a structure it cannot follow is left as copied.
    void Share(QPDFObjectHandle original, QPDFObjectHandle copy, const ChangeSink& changed);

private:
    QPDFObjectHandle Visit(QPDFObjectHandle from, QPDFObjectHandle to, QPDFObjectHandle owner,
                           int depth, const ChangeSink& changed);
    void VisitDictionary(QPDFObjectHandle from, QPDFObjectHandle to, QPDFObjectHandle owner,
                         int depth, const ChangeSink& changed);

    QPDF& m_target;
    std::map<QPDFObjGen, QPDFObjGen>* m_known;
    // Source object -> the target object that stands for it in this row.
    std::map<QPDFObjGen, QPDFObjectHandle> m_seen;
};

} // namespace quorvel
