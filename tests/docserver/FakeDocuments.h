#pragma once

// A scripted automation factory for the document helper's tests. Documents are
// page counters, not PDF files. Paths and menu items steer it:
//   "/fake/N"      opens as a document of N pages (N may be 0 or negative)
//   "/slow/N"      waits N milliseconds, then opens as one page
//   "/crash/segv"  the process dies of SIGSEGV; "/crash/abort": of SIGABRT;
//   "/crash/exit"  it exits with status 0 in the middle of the call
//   "/hang"        the call never returns
//   "/garbage"     a malformed frame is written to the client, then the call goes on
// Anything else fails to open. The same paths work as ProgIDs, page-count
// paths, menu items and titles. App::MenuItemExecute also knows "FailCreate"
// (PDDoc::Create raises an AutomationException from then on), "ThrowOther"
// (raises a std::runtime_error), "LiveObjects" (the number of fake objects
// alive in this process); any other text returns FakeStringHash(text), as do
// PDBookmark::SetTitle and AVDoc::Open's title check.

#include "engine/Automation.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quorvel {

std::shared_ptr<IAutomationFactory> CreateFakeDocumentFactory();
int32_t FakePageCount(const std::string& path);
// A positive 31-bit FNV-1a hash of every byte of `text`.
int32_t FakeStringHash(const std::string& text);
int FakeLiveObjects();
// Lets PDDoc::Create work again after "FailCreate".
void ResetFakeDocuments();

} // namespace quorvel
