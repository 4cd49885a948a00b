#pragma once

// The passwords of protected source files, kept for the life of the program:
// asked for once per file, remembered, and handed to every later open of that
// file (page counts, each row of a run, padding). Nothing here is ever
// written anywhere.

#include "engine/PasswordProvider.h"
#include "engine/Secret.h"
#include "support/PageCountProbe.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace quorvel {

// Opens `path` with `password` (empty: none) in the PDF library and tells its
// page count, or that the file needs another password.
using PdfProber = std::function<PdfProbeResult(const std::string& path, std::string_view password)>;

class CSourcePasswords {
public:
    // Who answers the question; null: protected files are skipped unasked.
    void SetProvider(IPasswordProvider* provider) { m_pProvider = provider; }

    // The password remembered for `path`; null when there is none.
    const CSecret* Find(const std::string& path) const;
    void Remember(const std::string& path, const CSecret& password);

    // Finds how to open `path` before it is opened for real. A remembered
    // password, or a file found to need none and unchanged since, is handed
    // out as it is, without probing; so is "no password" for anything but an
    // existing regular file. Otherwise `probe` tries the empty
    // password and the provider is asked until a password opens the file
    // (remembered from then on) or the user skips it. `pages` (when not null)
    // receives the count of the last probe, 0 when nothing was probed.
    UnlockResult Unlock(const std::string& path, const PdfProber& probe, CSecret& password,
                        int* pages = nullptr);

    // The page count of `path` from the PDF library, with its remembered
    // password; a file that needs a password and has none (or whose password
    // no longer opens it) is unlocked as above first. 0 when the library
    // gives no count or the user skipped the file.
    int CountPages(const std::string& path, const PdfProber& probe);

    // While a batch is open (a bulk load, a refresh of every row), a file
    // skipped once is not asked for again, "skip all" is offered, and once
    // chosen every further protected file of the batch is skipped unasked.
    // Batches nest; the outermost one's end forgets the skips.
    void BeginBatch() { ++m_nBatchDepth; }
    void EndBatch();

private:
    // What identifies a file's content cheaply: a file found to need no
    // password is probed again only when this changes.
    struct FileStamp {
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeSec = 0, mtimeNsec = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static bool StampOf(const std::string& path, FileStamp& stamp);
    // Remembers that `password` (empty: none) opens `path`.
    void NoteOpened(const std::string& path, const CSecret& password);
    // Asks until a password opens `path` (the library found it locked) or
    // the user skips it; forgets what was known about the file first.
    UnlockResult AskUntilOpen(const std::string& path, const PdfProber& probe, bool wrongBefore,
                              CSecret& password, int& pages);

    IPasswordProvider* m_pProvider = nullptr;
    std::map<std::string, CSecret> m_passwords;
    std::map<std::string, FileStamp> m_needsNone;
    int m_nBatchDepth = 0;
    std::set<std::string> m_skippedInBatch;
    bool m_bSkipAllInBatch = false;
};

// The page count as GetPageCount gives it, for a file that may need a
// password: the library's count through `passwords.CountPages` (which may ask
// for the password); when that gives less than 1, CountPagesWithAcrobat's,
// with the file's remembered password set on `factory` first. A skipped file
// thus goes to the server without a password, which cannot open it.
int GetPageCountUnlocking(CSourcePasswords& passwords, const std::string& path,
                          const PdfProber& probe, IAutomationFactory* factory,
                          IConnectionHost& host);

// Opens a batch of passwords for the life of the object.
class CPasswordBatch {
public:
    explicit CPasswordBatch(CSourcePasswords& passwords) : m_passwords(passwords) {
        m_passwords.BeginBatch();
    }
    ~CPasswordBatch() { m_passwords.EndBatch(); }
    CPasswordBatch(const CPasswordBatch&) = delete;
    CPasswordBatch& operator=(const CPasswordBatch&) = delete;

private:
    CSourcePasswords& m_passwords;
};

} // namespace quorvel
