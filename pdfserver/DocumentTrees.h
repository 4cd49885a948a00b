#pragma once

#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <string>

namespace quorvel {

// Adding entries to the name and number trees of a document (named
// destinations, attachments, page labels) through qpdf's tree helpers, which
// keep the trees balanced, so an insert touches one path of the tree rather
// than all of it. Every node on that path, and the siblings a split may have
// made or shortened, go to `changed`.
namespace trees {

// The tree `key` of the catalog's /Names dictionary; with `create`, makes an
// empty one (and the /Names dictionary) when there is none. Null when absent
// and not created.
QPDFObjectHandle NameTree(QPDF& pdf, const std::string& key, bool create,
                          const ChangeSink& changed);

// The value stored under `name`; null when there is none.
QPDFObjectHandle FindName(QPDF& pdf, QPDFObjectHandle root, const std::string& name);

void InsertName(QPDF& pdf, QPDFObjectHandle root, const std::string& name, QPDFObjectHandle value,
                const ChangeSink& changed);
void InsertNumber(QPDF& pdf, QPDFObjectHandle root, long long number, QPDFObjectHandle value,
                  const ChangeSink& changed);

} // namespace trees
} // namespace quorvel
