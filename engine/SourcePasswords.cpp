#include "engine/SourcePasswords.h"

#include <sys/stat.h>

namespace quorvel {

bool CSourcePasswords::StampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    stamp = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
             static_cast<unsigned long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
             static_cast<long long>(st.st_mtim.tv_nsec)};
    return true;
}

const CSecret* CSourcePasswords::Find(const std::string& path) const {
    auto it = m_passwords.find(path);
    return it == m_passwords.end() ? nullptr : &it->second;
}

void CSourcePasswords::Remember(const std::string& path, const CSecret& password) {
    m_passwords[path] = password;
    m_needsNone.erase(path);
}

void CSourcePasswords::EndBatch() {
    if (m_nBatchDepth > 0 && --m_nBatchDepth == 0) {
        m_skippedInBatch.clear();
        m_bSkipAllInBatch = false;
    }
}

void CSourcePasswords::NoteOpened(const std::string& path, const CSecret& password) {
    if (!password.Empty()) {
        Remember(path, password);
        return;
    }
    FileStamp stamp;
    if (StampOf(path, stamp))
        m_needsNone[path] = stamp;
}

UnlockResult CSourcePasswords::AskUntilOpen(const std::string& path, const PdfProber& probe,
                                            bool wrongBefore, CSecret& password, int& pages) {
    const bool inBatch = m_nBatchDepth > 0;
    m_passwords.erase(path);
    m_needsNone.erase(path);
    for (;;) {
        if (inBatch && (m_bSkipAllInBatch || m_skippedInBatch.count(path) != 0))
            return UnlockResult::Skipped;
        CSecret candidate;
        const PasswordAnswer answer =
            m_pProvider ? m_pProvider->AskPassword(path, wrongBefore, inBatch, candidate)
                        : PasswordAnswer::Skip;
        if (answer != PasswordAnswer::Ok) {
            if (inBatch && answer == PasswordAnswer::SkipAll)
                m_bSkipAllInBatch = true;
            else if (inBatch)
                m_skippedInBatch.insert(path);
            return UnlockResult::Skipped;
        }
        const PdfProbeResult result = probe(path, candidate.View());
        pages = result.pages;
        if (!result.locked) {
            NoteOpened(path, candidate);
            password = std::move(candidate);
            return UnlockResult::Open;
        }
        wrongBefore = true;
    }
}

UnlockResult CSourcePasswords::Unlock(const std::string& path, const PdfProber& probe,
                                      CSecret& password, int* pages) {
    int probed = 0;
    if (pages)
        *pages = 0;
    password.Clear();
    if (const CSecret* known = Find(path)) {
        password = *known;
        return UnlockResult::Open;
    }
    // Only regular files are probed: reading a pipe or a device could wait
    // forever, and the open that follows refuses or fails on them anyway.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return UnlockResult::Open;
    FileStamp stamp;
    auto none = m_needsNone.find(path);
    if (none != m_needsNone.end() && StampOf(path, stamp) && none->second == stamp)
        return UnlockResult::Open;
    const PdfProbeResult result = probe(path, {});
    probed = result.pages;
    UnlockResult unlocked = UnlockResult::Open;
    if (!result.locked)
        NoteOpened(path, password);
    else
        unlocked = AskUntilOpen(path, probe, false, password, probed);
    if (pages)
        *pages = probed;
    return unlocked;
}

int CSourcePasswords::CountPages(const std::string& path, const PdfProber& probe) {
    bool wrongBefore = false;
    if (const CSecret* known = Find(path)) {
        const CSecret password = *known;
        const PdfProbeResult result = probe(path, password.View());
        if (!result.locked)
            return result.pages;
        wrongBefore = true;
    } else {
        const PdfProbeResult result = probe(path, {});
        if (!result.locked) {
            NoteOpened(path, CSecret());
            return result.pages;
        }
    }
    CSecret password;
    int pages = 0;
    if (AskUntilOpen(path, probe, wrongBefore, password, pages) == UnlockResult::Skipped)
        return 0;
    return pages;
}

int GetPageCountUnlocking(CSourcePasswords& passwords, const std::string& path,
                          const PdfProber& probe, IAutomationFactory* factory,
                          IConnectionHost& host) {
    const int pages = passwords.CountPages(path, probe);
    if (pages >= 1)
        return pages;
    if (const CSecret* password = passwords.Find(path); password && factory)
        factory->SetPassword(path, *password);
    return CountPagesWithAcrobat(path, factory, host);
}

} // namespace quorvel
