#pragma once

#include <qpdf/QPDF.hh>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// Writes `pdf` as a complete file at `path` through a temporary file in the
// same folder that replaces the target only once fully written and synced,
// so that a failure or a crash at any moment leaves the previous file as it
// was. flags 0x20 drops objects nothing refers to; without it they are kept.
// False when the file could not be written; the target is then untouched.
// With `renumber`, each object number in it is replaced by the number the
// object has in the written file (an invalid one when it was not written).
bool WriteCompleteFile(QPDF& pdf, int16_t flags, const std::string& path,
                       std::vector<QPDFObjGen>* renumber = nullptr);

} // namespace quorvel
