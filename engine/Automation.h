#pragma once

// The client side of the document automation interface: one abstract class per
// automation object, one method per method, results as 32-bit integers (nonzero
// for success) or objects. Callers never know which server stands behind it:
// the in-process document server, a helper process, or a test's script.

#include "engine/Secret.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace quorvel {

inline constexpr const char* kProgIdApp = "AcroExch.App";
inline constexpr const char* kProgIdAVDoc = "AcroExch.AVDoc";
inline constexpr const char* kProgIdPDDoc = "AcroExch.PDDoc";
inline constexpr const char* kProgIdPDBookmark = "AcroExch.PDBookmark";

// Raised by a server call that fails outright (PDDoc::Create when no new
// document can be made). Only the append run's Create call catches it.
class AutomationException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IAcroObject {
public:
    virtual ~IAcroObject() = default;
};

class IAcroPDDoc;

class IAcroAVPageView : public virtual IAcroObject {
public:
    // Shows page `page` (0-based). Result ignored by callers.
    virtual int32_t GoTo(int32_t page) = 0;
};

class IAcroAVDoc : public virtual IAcroObject {
public:
    virtual int32_t Open(const std::string& path, const std::string& tempTitle) = 0;
    virtual std::shared_ptr<IAcroPDDoc> GetPDDoc() = 0;
    virtual std::shared_ptr<IAcroAVPageView> GetAVPageView() = 0;
    virtual int32_t Close(int32_t noSave) = 0;
};

class IAcroPDDoc : public virtual IAcroObject {
public:
    virtual int32_t Open(const std::string& path) = 0;
    virtual int32_t Close() = 0;
    // Inserts `count` pages of `source` starting at its page `firstSourcePage`
    // (0-based) after page `insertAfter` of this document (0-based, -1: before
    // the first). `copyBookmarks` 1 also copies the source's outline items that
    // point into the copied pages.
    virtual int32_t InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                                int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) = 0;
    virtual int32_t GetNumPages() = 0;
    // Makes this object a new empty document. May throw AutomationException.
    virtual int32_t Create() = 0;
    // A view of this document; null when none can be made.
    virtual std::shared_ptr<IAcroAVDoc> OpenAVDoc(const std::string& title) = 0;
    // flags: 0x01 full save, 0x20 drop unreferenced objects.
    virtual int32_t Save(int16_t flags, const std::string& path) = 0;
};

class IAcroApp : public virtual IAcroObject {
public:
    virtual int32_t Exit() = 0;
    virtual int32_t CloseAllDocs() = 0;
    virtual int32_t MenuItemExecute(const std::string& menuItem) = 0;
};

class IAcroPDBookmark : public virtual IAcroObject {
public:
    virtual int32_t GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc,
                               const std::string& title) = 0;
    virtual int32_t SetTitle(const std::string& title) = 0;
};

// Creates automation objects by ProgID; null when the object cannot be made.
class IAutomationFactory {
public:
    virtual ~IAutomationFactory() = default;
    virtual std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) = 0;
    // From now on the server's documents open `path` with `password` (a user
    // or owner password of the file). Not an automation call; a server that
    // knows no passwords ignores it.
    virtual void SetPassword(const std::string& /*path*/, const CSecret& /*password*/) {}
};

// CreateObject with the expected type: null when creation failed or the
// server returned an object of another kind.
template <class T>
std::shared_ptr<T> CreateAs(IAutomationFactory& factory, const std::string& progId) {
    return std::dynamic_pointer_cast<T>(factory.CreateObject(progId));
}

} // namespace quorvel
