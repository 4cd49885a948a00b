#pragma once

#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <vector>

namespace quorvel {

// Carries the layers (optional content groups) that copied pages use into
// the target's /OCProperties for one row. Each layer keeps the state the
// source's default configuration gives it, so hidden content stays hidden;
// the layers of each source are the source's own objects, so two sources'
// layers stay apart even when they share a name. At the row's end the
// source's panel order, radio-button groups and locks follow, limited to
// the layers the row brought.
class COptionalContentCopier {
public:
    COptionalContentCopier(QPDF& source, QPDF& target);

    // Registers the layers that `sourcePages` (pages of the source) use in
    // their resources, forms, patterns and annotations.
    void AddLayersOf(const std::vector<QPDFObjectHandle>& sourcePages, const ChangeSink& changed);

    // Adds the source's panel order, radio-button groups and locks for the
    // layers registered by this row.
    void Finish(const ChangeSink& changed);

private:
    void VisitResources(QPDFObjectHandle resources, int depth);
    void VisitForm(QPDFObjectHandle form, int depth);
    void NoteUsage(QPDFObjectHandle content);
    void NoteLayer(QPDFObjectHandle layer);
    QPDFObjectHandle FilterOrder(QPDFObjectHandle order, int depth);
    QPDFObjectHandle TargetConfiguration(const ChangeSink& changed);

    QPDF& m_source;
    QPDF& m_target;
    std::set<QPDFObjGen> m_visited;
    std::vector<QPDFObjectHandle> m_found;
    std::set<QPDFObjGen> m_foundSet;
    // Source layer -> its copy, for the layers this row registered.
    std::map<QPDFObjGen, QPDFObjectHandle> m_registered;
    std::vector<QPDFObjGen> m_registeredOrder;
    bool m_bTargetRead = false;
    std::set<QPDFObjGen> m_targetLayers;
    QPDFObjectHandle m_properties = QPDFObjectHandle::newNull();
};

} // namespace quorvel
