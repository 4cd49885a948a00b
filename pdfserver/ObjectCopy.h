#pragma once

#include <qpdf/QPDF.hh>

#include <functional>

namespace quorvel {

// Receives each object of a target document that a copy step changed; the
// document marks the ones that existed before, so that an incremental update
// writes them.
using ChangeSink = std::function<void(QPDFObjectHandle)>;

// A direct scalar that belongs to no document: numbers, names, booleans and
// strings of another document are copied this way; anything else becomes null.
QPDFObjectHandle CopyScalar(QPDFObjectHandle value);

// `value` of document `source` made usable in `target`: indirect objects go
// through qpdf's foreign copy (which keeps one copy per source object and
// does not cross into pages that were not copied), direct arrays and
// dictionaries are rebuilt around them. Within one document the value is
// returned as it is.
QPDFObjectHandle CopyForeignValue(QPDF& source, QPDF& target, QPDFObjectHandle value);

} // namespace quorvel
