#pragma once

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
