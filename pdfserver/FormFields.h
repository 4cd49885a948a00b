#pragma once

#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvel {

// The top-level fields of a target's form by object and by name, read once
// from its /Fields and kept up to date by CFormFields, so that adding a
// source's fields costs nothing for the fields already in the target.
struct FormFieldIndex {
    bool built = false;
    std::set<QPDFObjGen> fields;
    std::set<std::string> names;
    // For each name that clashed: the next "+N" to try.
    std::map<std::string, int> nextSuffix;
};

// Adds to a target's form the fields of pages copied from one source with
// qpdf's foreign copy. That copy already brings each field once, with all its
// widgets and parents, however many pages and ranges of the row carry it, so
// the fields keep their full names. A top-level field whose name the target
// already uses for a field of another source gets a "+N" suffix, as qpdf's
// own merge does, so that values stay independent.
class CFormFields {
public:
    CFormFields(QPDF& source, QPDF& target, FormFieldIndex& index);

    // Registers the fields of the widgets on `pages` (copies in the target).
    void AddFieldsOf(const std::vector<QPDFObjectHandle>& pages, const ChangeSink& changed);

    // At the row's end: widgets that came along with their fields but sit on
    // no page the row copied (`onPages` holds the annotations of its pages)
    // are taken out of the fields registered by this row, and fields left
    // without widgets go too, so the output holds no value it cannot show.
    void DropWidgetsOffPages(const std::set<QPDFObjGen>& onPages, const ChangeSink& changed);

private:
    void BuildIndex();
    QPDFObjectHandle TargetForm(const ChangeSink& changed);
    void SetUpForm(QPDFObjectHandle form, const ChangeSink& changed);
    // Whether `field` keeps a widget on a page; removes the kids that do not.
    bool KeepOnPages(QPDFObjectHandle field, const std::set<QPDFObjGen>& onPages, int depth,
                     std::set<QPDFObjGen>& seen);

    QPDF& m_source;
    QPDF& m_target;
    FormFieldIndex& m_index;
    bool m_bFormSetUp = false;
    QPDFObjectHandle m_sourceForm = QPDFObjectHandle::newNull();
    std::vector<QPDFObjectHandle> m_added;
};

} // namespace quorvel
