#pragma once

#include "engine/Automation.h"

#include <memory>

namespace quorvel {

// The in-process document server on qpdf: a factory whose objects
// (AcroExch.App, AcroExch.PDDoc, AcroExch.AVDoc, AcroExch.PDBookmark) share
// one set of open documents and views. CreateObject returns null for an
// unknown ProgID.
std::shared_ptr<IAutomationFactory> CreateDocumentServerFactory();

} // namespace quorvel
