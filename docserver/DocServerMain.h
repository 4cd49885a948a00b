#pragma once

// The body of a helper executable: reads "--fd N" from the command line, serves
// `factory`, `probe` and `passwordProbe` (see CDocServerLoop) on descriptor N
// and returns the exit code (2 for a bad command line: any other argument but
// --help and --version, which print and return 0). Shared by the real helper
// and test helpers.

#include "docserver/DocServerLoop.h"

namespace quorvel {

int DocServerMain(int argc, char** argv, std::shared_ptr<IAutomationFactory> factory,
                  DocPageCounter probe, PdfProber passwordProbe = {});

} // namespace quorvel
