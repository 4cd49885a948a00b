#include "pdfserver/FormFields.h"

namespace quorvel {

namespace {

constexpr int kMaxFieldDepth = 100;

// A widget, or a field merged with its widget but missing the type. Other
// annotations are no fields although they use the same keys: a comment's /T
// is its author, a popup's /Parent the comment it belongs to.
bool IsFieldOrWidget(QPDFObjectHandle annotation) {
    if (!annotation.isDictionary()) {
        return false;
    }
    auto subtype = annotation.getKey("/Subtype");
    if (subtype.isName()) {
        return subtype.getName() == "/Widget";
    }
    return annotation.hasKey("/FT") || annotation.hasKey("/Parent");
}

// The field at the top of `annotation`'s /Parent chain.
QPDFObjectHandle TopField(QPDFObjectHandle annotation) {
    std::set<QPDFObjGen> seen;
    auto field = annotation;
    for (int depth = 0; depth < kMaxFieldDepth; ++depth) {
        auto parent = field.getKey("/Parent");
        if (!parent.isDictionary() || !parent.isIndirect() ||
            !seen.insert(parent.getObjGen()).second) {
            break;
        }
        field = parent;
    }
    return field;
}

std::string FieldName(QPDFObjectHandle field) {
    auto name = field.getKey("/T");
    return name.isString() ? name.getUTF8Value() : std::string();
}

} // namespace

CFormFields::CFormFields(QPDF& source, QPDF& target, FormFieldIndex& index)
    : m_source(source), m_target(target), m_index(index) {
    m_sourceForm = m_source.getRoot().getKey("/AcroForm");
}

void CFormFields::BuildIndex() {
    if (m_index.built) {
        return;
    }
    m_index = FormFieldIndex{};
    m_index.built = true;
    auto fields = m_target.getRoot().getKey("/AcroForm").getKey("/Fields");
    if (!fields.isArray()) {
        return;
    }
    for (auto field : fields.getArrayAsVector()) {
        if (field.isIndirect()) {
            m_index.fields.insert(field.getObjGen());
        }
        if (auto name = FieldName(field); !name.empty()) {
            m_index.names.insert(name);
        }
    }
}

QPDFObjectHandle CFormFields::TargetForm(const ChangeSink& changed) {
    auto catalog = m_target.getRoot();
    auto form = catalog.getKey("/AcroForm");
    if (!form.isDictionary()) {
        form = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
        catalog.replaceKey("/AcroForm", form);
        changed(catalog);
    }
    if (!form.getKey("/Fields").isArray()) {
        form.replaceKey("/Fields", QPDFObjectHandle::newArray());
    }
    changed(form);
    changed(form.getKey("/Fields"));
    if (!m_bFormSetUp) {
        m_bFormSetUp = true;
        SetUpForm(form, changed);
    }
    return form;
}

void CFormFields::SetUpForm(QPDFObjectHandle form, const ChangeSink& changed) {
    if (!m_sourceForm.isDictionary()) {
        return;
    }
    // The source's default resources (fonts of the field appearances) join
    // the target's; a resource name the target already uses keeps the
    // target's entry.
    auto sourceResources = m_sourceForm.getKey("/DR");
    if (sourceResources.isDictionary()) {
        auto resources = form.getKey("/DR");
        if (!resources.isDictionary()) {
            resources = QPDFObjectHandle::newDictionary();
            form.replaceKey("/DR", resources);
        }
        changed(resources);
        for (auto kind : sourceResources.getKeys()) {
            auto from = sourceResources.getKey(kind);
            if (!from.isDictionary()) {
                continue;
            }
            auto into = resources.getKey(kind);
            if (!into.isDictionary()) {
                into = QPDFObjectHandle::newDictionary();
                resources.replaceKey(kind, into);
            }
            changed(into);
            for (auto name : from.getKeys()) {
                if (!into.hasKey(name)) {
                    into.replaceKey(name, CopyForeignValue(m_source, m_target, from.getKey(name)));
                }
            }
        }
    }
    if (m_sourceForm.getKey("/NeedAppearances").isBool() &&
        m_sourceForm.getKey("/NeedAppearances").getBoolValue()) {
        form.replaceKey("/NeedAppearances", QPDFObjectHandle::newBool(true));
    }
    auto signatures = m_sourceForm.getKey("/SigFlags");
    if (signatures.isInteger() && !form.hasKey("/SigFlags")) {
        form.replaceKey("/SigFlags", CopyScalar(signatures));
    }
}

void CFormFields::AddFieldsOf(const std::vector<QPDFObjectHandle>& pages,
                              const ChangeSink& changed) {
    std::vector<QPDFObjectHandle> tops;
    std::set<QPDFObjGen> seen;
    for (auto page : pages) {
        auto annotations = QPDFObjectHandle(page).getKey("/Annots");
        if (!annotations.isArray()) {
            continue;
        }
        for (auto annotation : annotations.getArrayAsVector()) {
            if (!IsFieldOrWidget(annotation)) {
                continue;
            }
            auto top = TopField(annotation);
            if (top.isIndirect() && seen.insert(top.getObjGen()).second) {
                tops.push_back(top);
            }
        }
    }
    if (tops.empty()) {
        return;
    }
    BuildIndex();
    QPDFObjectHandle form = QPDFObjectHandle::newNull();
    // Defaults the fields inherit from the source's form go onto each top
    // field, so that the target's own defaults do not replace them.
    auto sourceAppearance =
        m_sourceForm.isDictionary() ? m_sourceForm.getKey("/DA") : QPDFObjectHandle::newNull();
    auto sourceQuadding =
        m_sourceForm.isDictionary() ? m_sourceForm.getKey("/Q") : QPDFObjectHandle::newNull();
    for (auto& top : tops) {
        if (m_index.fields.count(top.getObjGen())) {
            continue;
        }
        if (form.isNull()) {
            form = TargetForm(changed);
        }
        std::string name = FieldName(top);
        if (!name.empty() && m_index.names.count(name)) {
            // Numbers are tried from where the last clash of the name ended.
            int& suffix = m_index.nextSuffix.try_emplace(name, 1).first->second;
            std::string renamed = name + "+" + std::to_string(suffix);
            while (m_index.names.count(renamed)) {
                renamed = name + "+" + std::to_string(++suffix);
            }
            ++suffix;
            top.replaceKey("/T", QPDFObjectHandle::newUnicodeString(renamed));
            name = renamed;
        }
        if (sourceAppearance.isString() && !top.hasKey("/DA")) {
            top.replaceKey("/DA", CopyScalar(sourceAppearance));
        }
        if (sourceQuadding.isInteger() && !top.hasKey("/Q")) {
            top.replaceKey("/Q", CopyScalar(sourceQuadding));
        }
        changed(top);
        form.getKey("/Fields").appendItem(top);
        m_added.push_back(top);
        m_index.fields.insert(top.getObjGen());
        if (!name.empty()) {
            m_index.names.insert(name);
        }
    }
}

bool CFormFields::KeepOnPages(QPDFObjectHandle field, const std::set<QPDFObjGen>& onPages,
                              int depth, std::set<QPDFObjGen>& seen) {
    if (!field.isDictionary() || depth >= kMaxFieldDepth ||
        (field.isIndirect() && !seen.insert(field.getObjGen()).second)) {
        return true;
    }
    auto kids = field.getKey("/Kids");
    if (!kids.isArray()) {
        return field.isIndirect() && onPages.count(field.getObjGen()) > 0;
    }
    auto kept = QPDFObjectHandle::newArray();
    for (auto kid : kids.getArrayAsVector()) {
        if (KeepOnPages(kid, onPages, depth + 1, seen)) {
            kept.appendItem(kid);
        }
    }
    if (kept.getArrayNItems() != kids.getArrayNItems()) {
        field.replaceKey("/Kids", kept);
    }
    return kept.getArrayNItems() > 0;
}

void CFormFields::DropWidgetsOffPages(const std::set<QPDFObjGen>& onPages,
                                      const ChangeSink& changed) {
    if (m_added.empty()) {
        return;
    }
    std::set<QPDFObjGen> dropped;
    std::set<QPDFObjGen> seen;
    for (auto& top : m_added) {
        if (!KeepOnPages(top, onPages, 0, seen)) {
            dropped.insert(top.getObjGen());
        }
    }
    if (dropped.empty()) {
        return;
    }
    auto fields = m_target.getRoot().getKey("/AcroForm").getKey("/Fields");
    if (!fields.isArray()) {
        return;
    }
    // The row's fields are the last ones appended, so the search from the
    // end stops before the target's older fields.
    for (int i = fields.getArrayNItems() - 1; i >= 0 && !dropped.empty(); --i) {
        auto field = fields.getArrayItem(i);
        if (field.isIndirect() && dropped.erase(field.getObjGen())) {
            fields.eraseItem(i);
            m_index.fields.erase(field.getObjGen());
            m_index.names.erase(FieldName(field));
        }
    }
    changed(fields);
}

} // namespace quorvel
