#include "pdfserver/DestinationResolver.h"

namespace quorvel {

CDestinationResolver::CDestinationResolver(QPDF& pdf) : m_pdf(pdf) {
    const auto& pages = pdf.getAllPages();
    for (size_t i = 0; i < pages.size(); ++i) {
        m_pageIndex.emplace(pages[i].getObjGen(), static_cast<int>(i));
    }
}

bool CDestinationResolver::HasLocalJump(QPDFObjectHandle holder) {
    if (!holder.isDictionary()) {
        return false;
    }
    if (holder.hasKey("/Dest")) {
        return true;
    }
    auto action = holder.getKey("/A");
    return action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo");
}

QPDFObjectHandle CDestinationResolver::ExplicitDestination(QPDFObjectHandle holder) {
    if (!holder.isDictionary()) {
        return QPDFObjectHandle::newNull();
    }
    auto destination = holder.getKey("/Dest");
    if (destination.isNull()) {
        auto action = holder.getKey("/A");
        if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
            destination = action.getKey("/D");
        }
    }
    if (destination.isName() || destination.isString()) {
        destination = LookUpName(destination);
    }
    // A named destination may be a dictionary whose /D holds the array.
    if (destination.isDictionary()) {
        destination = destination.getKey("/D");
    }
    return destination.isArray() ? destination : QPDFObjectHandle::newNull();
}

int CDestinationResolver::PageIndex(QPDFObjectHandle destination) {
    if (!destination.isArray() || destination.getArrayNItems() < 1) {
        return -1;
    }
    auto target = destination.getArrayItem(0);
    if (target.isIndirect()) {
        auto found = m_pageIndex.find(target.getObjGen());
        return found == m_pageIndex.end() ? -1 : found->second;
    }
    // Some producers write a page number where a page object belongs.
    if (target.isInteger()) {
        long long index = target.getIntValue();
        if (index >= 0 && index < static_cast<long long>(m_pageIndex.size())) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

QPDFObjectHandle CDestinationResolver::LookUpName(QPDFObjectHandle name) {
    auto root = m_pdf.getRoot();
    auto dests = root.getKey("/Dests");
    if (name.isName()) {
        return dests.isDictionary() ? dests.getKey(name.getName()) : QPDFObjectHandle::newNull();
    }
    if (!m_bNamesLoaded) {
        m_bNamesLoaded = true;
        auto names = root.getKey("/Names");
        if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
            m_nameTree = std::make_unique<QPDFNameTreeObjectHelper>(names.getKey("/Dests"), m_pdf);
        }
    }
    QPDFObjectHandle found;
    std::string key = name.getUTF8Value();
    if (m_nameTree && m_nameTree->findObject(key, found)) {
        return found;
    }
    // Old-style /Dests dictionaries are sometimes addressed with strings.
    if (dests.isDictionary() && dests.hasKey("/" + key)) {
        return dests.getKey("/" + key);
    }
    return QPDFObjectHandle::newNull();
}

} // namespace quorvel
