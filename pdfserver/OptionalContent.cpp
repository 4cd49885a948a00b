#include "pdfserver/OptionalContent.h"

namespace quorvel {

namespace {

constexpr int kMaxDepth = 32;

std::set<QPDFObjGen> Members(QPDFObjectHandle array) {
    std::set<QPDFObjGen> members;
    if (array.isArray()) {
        for (auto item : array.getArrayAsVector()) {
            if (item.isIndirect()) {
                members.insert(item.getObjGen());
            }
        }
    }
    return members;
}

QPDFObjectHandle ArrayEntry(QPDFObjectHandle dictionary, const std::string& key) {
    auto array = dictionary.getKey(key);
    if (!array.isArray()) {
        array = QPDFObjectHandle::newArray();
        dictionary.replaceKey(key, array);
    }
    return array;
}

} // namespace

COptionalContentCopier::COptionalContentCopier(QPDF& source, QPDF& target)
    : m_source(source), m_target(target) {}

void COptionalContentCopier::NoteLayer(QPDFObjectHandle layer) {
    if (layer.isDictionary() && layer.isIndirect() && m_foundSet.insert(layer.getObjGen()).second) {
        m_found.push_back(layer);
    }
}

void COptionalContentCopier::NoteUsage(QPDFObjectHandle content) {
    if (!content.isDictionary()) {
        return;
    }
    if (content.getKey("/Type").isNameAndEquals("/OCMD")) {
        auto layers = content.getKey("/OCGs");
        if (layers.isArray()) {
            for (auto layer : layers.getArrayAsVector()) {
                NoteLayer(layer);
            }
        } else {
            NoteLayer(layers);
        }
        return;
    }
    NoteLayer(content);
}

void COptionalContentCopier::VisitForm(QPDFObjectHandle form, int depth) {
    if (!form.isStream() || (form.isIndirect() && !m_visited.insert(form.getObjGen()).second)) {
        return;
    }
    auto dictionary = form.getDict();
    NoteUsage(dictionary.getKey("/OC"));
    VisitResources(dictionary.getKey("/Resources"), depth + 1);
}

void COptionalContentCopier::VisitResources(QPDFObjectHandle resources, int depth) {
    if (!resources.isDictionary() || depth >= kMaxDepth ||
        (resources.isIndirect() && !m_visited.insert(resources.getObjGen()).second)) {
        return;
    }
    auto properties = resources.getKey("/Properties");
    if (properties.isDictionary()) {
        for (auto key : properties.getKeys()) {
            NoteUsage(properties.getKey(key));
        }
    }
    for (const char* kind : {"/XObject", "/Pattern"}) {
        auto entries = resources.getKey(kind);
        if (entries.isDictionary()) {
            for (auto key : entries.getKeys()) {
                VisitForm(entries.getKey(key), depth);
            }
        }
    }
}

void COptionalContentCopier::AddLayersOf(const std::vector<QPDFObjectHandle>& sourcePages,
                                         const ChangeSink& changed) {
    if (&m_source == &m_target) {
        return;
    }
    const size_t before = m_found.size();
    for (auto page : sourcePages) {
        VisitResources(page.getKey("/Resources"), 0);
        auto annotations = page.getKey("/Annots");
        if (!annotations.isArray()) {
            continue;
        }
        for (auto annotation : annotations.getArrayAsVector()) {
            if (!annotation.isDictionary()) {
                continue;
            }
            NoteUsage(annotation.getKey("/OC"));
            auto appearances = annotation.getKey("/AP");
            if (!appearances.isDictionary()) {
                continue;
            }
            for (auto kind : appearances.getKeys()) {
                auto appearance = appearances.getKey(kind);
                if (appearance.isStream()) {
                    VisitForm(appearance, 0);
                } else if (appearance.isDictionary()) {
                    for (auto state : appearance.getKeys()) {
                        VisitForm(appearance.getKey(state), 0);
                    }
                }
            }
        }
    }
    if (m_found.size() == before) {
        return;
    }
    auto sourceProperties = m_source.getRoot().getKey("/OCProperties");
    auto sourceDefault = sourceProperties.isDictionary() ? sourceProperties.getKey("/D")
                                                         : QPDFObjectHandle::newNull();
    const bool sourceBaseOff =
        sourceDefault.isDictionary() && sourceDefault.getKey("/BaseState").isNameAndEquals("/OFF");
    auto sourceOn = Members(sourceDefault.isDictionary() ? sourceDefault.getKey("/ON")
                                                         : QPDFObjectHandle::newNull());
    auto sourceOff = Members(sourceDefault.isDictionary() ? sourceDefault.getKey("/OFF")
                                                          : QPDFObjectHandle::newNull());
    auto configuration = TargetConfiguration(changed);
    const bool targetBaseOff = configuration.getKey("/BaseState").isNameAndEquals("/OFF");
    for (size_t i = before; i < m_found.size(); ++i) {
        QPDFObjectHandle layer = m_found[i];
        auto copy = m_target.copyForeignObject(layer);
        if (!m_targetLayers.insert(copy.getObjGen()).second) {
            continue;
        }
        m_registered.emplace(layer.getObjGen(), copy);
        m_registeredOrder.push_back(layer.getObjGen());
        ArrayEntry(m_properties, "/OCGs").appendItem(copy);
        const bool off = sourceOff.count(layer.getObjGen()) ||
                         (sourceBaseOff && !sourceOn.count(layer.getObjGen()));
        if (off && !targetBaseOff) {
            ArrayEntry(configuration, "/OFF").appendItem(copy);
        } else if (!off && targetBaseOff) {
            ArrayEntry(configuration, "/ON").appendItem(copy);
        }
    }
    changed(m_properties.getKey("/OCGs"));
    changed(configuration.getKey("/ON"));
    changed(configuration.getKey("/OFF"));
}

QPDFObjectHandle COptionalContentCopier::TargetConfiguration(const ChangeSink& changed) {
    auto catalog = m_target.getRoot();
    if (!m_bTargetRead) {
        m_bTargetRead = true;
        m_properties = catalog.getKey("/OCProperties");
        if (!m_properties.isDictionary()) {
            m_properties = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
            catalog.replaceKey("/OCProperties", m_properties);
            changed(catalog);
        }
        m_targetLayers = Members(m_properties.getKey("/OCGs"));
    }
    auto configuration = m_properties.getKey("/D");
    if (!configuration.isDictionary()) {
        configuration = QPDFObjectHandle::newDictionary();
        m_properties.replaceKey("/D", configuration);
    }
    changed(m_properties);
    changed(configuration);
    return configuration;
}

QPDFObjectHandle COptionalContentCopier::FilterOrder(QPDFObjectHandle order, int depth) {
    auto kept = QPDFObjectHandle::newArray();
    if (!order.isArray() || depth >= kMaxDepth) {
        return kept;
    }
    bool hasLayer = false;
    for (auto item : order.getArrayAsVector()) {
        if (item.isArray()) {
            auto nested = FilterOrder(item, depth + 1);
            if (nested.getArrayNItems() > 0) {
                kept.appendItem(nested);
                hasLayer = true;
            }
        } else if (item.isString()) {
            kept.appendItem(CopyScalar(item));
        } else if (item.isIndirect()) {
            auto found = m_registered.find(item.getObjGen());
            if (found != m_registered.end()) {
                kept.appendItem(found->second);
                hasLayer = true;
            }
        }
    }
    return hasLayer ? kept : QPDFObjectHandle::newArray();
}

void COptionalContentCopier::Finish(const ChangeSink& changed) {
    if (m_registered.empty()) {
        return;
    }
    auto configuration = TargetConfiguration(changed);
    auto sourceProperties = m_source.getRoot().getKey("/OCProperties");
    auto sourceDefault = sourceProperties.isDictionary() ? sourceProperties.getKey("/D")
                                                         : QPDFObjectHandle::newNull();
    auto order = ArrayEntry(configuration, "/Order");
    changed(order);
    auto sourceOrder =
        sourceDefault.isDictionary() ? sourceDefault.getKey("/Order") : QPDFObjectHandle::newNull();
    if (sourceOrder.isArray()) {
        for (auto item : FilterOrder(sourceOrder, 0).getArrayAsVector()) {
            order.appendItem(item);
        }
    } else {
        // Without an order of its own every layer of the row is listed.
        for (auto layer : m_registeredOrder) {
            order.appendItem(m_registered.at(layer));
        }
    }
    if (!sourceDefault.isDictionary()) {
        return;
    }
    auto groups = sourceDefault.getKey("/RBGroups");
    if (groups.isArray()) {
        for (auto group : groups.getArrayAsVector()) {
            auto kept = QPDFObjectHandle::newArray();
            for (auto layer :
                 group.isArray() ? group.getArrayAsVector() : std::vector<QPDFObjectHandle>{}) {
                if (layer.isIndirect() && m_registered.count(layer.getObjGen())) {
                    kept.appendItem(m_registered.at(layer.getObjGen()));
                }
            }
            if (kept.getArrayNItems() > 0) {
                ArrayEntry(configuration, "/RBGroups").appendItem(kept);
            }
        }
        changed(configuration.getKey("/RBGroups"));
    }
    auto locked = sourceDefault.getKey("/Locked");
    if (locked.isArray()) {
        for (auto layer : locked.getArrayAsVector()) {
            if (layer.isIndirect() && m_registered.count(layer.getObjGen())) {
                ArrayEntry(configuration, "/Locked").appendItem(m_registered.at(layer.getObjGen()));
            }
        }
        changed(configuration.getKey("/Locked"));
    }
}

} // namespace quorvel
