#include "engine/Secret.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace quorvel {

namespace {

// One page holds any secret (kMaxSecretBytes + NUL).
size_t PageSize() {
    static const size_t size = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<size_t>(page) : size_t{4096};
    }();
    return size;
}

char* AllocatePage() {
    void* p =
        ::mmap(nullptr, PageSize(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    // Both are best effort: a system that refuses them still gets the
    // password wiped when it is dropped.
    ::madvise(p, PageSize(), MADV_DONTDUMP);
    ::mlock(p, PageSize());
    return static_cast<char*>(p);
}

void FreePage(char* p) {
    if (!p)
        return;
    WipeBytes(p, PageSize());
    ::munlock(p, PageSize());
    ::munmap(p, PageSize());
}

} // namespace

void KeepProcessOutOfCoreDumps() {
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

CSecret::CSecret(std::string_view text) {
    if (text.empty())
        return;
    m_pData = AllocatePage();
    if (!m_pData)
        return;
    m_nSize = std::min(text.size(), kMaxSecretBytes);
    std::memcpy(m_pData, text.data(), m_nSize);
    m_pData[m_nSize] = '\0';
}

CSecret::CSecret(const CSecret& other) : CSecret(other.View()) {}

CSecret::CSecret(CSecret&& other) noexcept : m_pData(other.m_pData), m_nSize(other.m_nSize) {
    other.m_pData = nullptr;
    other.m_nSize = 0;
}

CSecret& CSecret::operator=(const CSecret& other) {
    if (this != &other)
        *this = CSecret(other);
    return *this;
}

CSecret& CSecret::operator=(CSecret&& other) noexcept {
    if (this != &other) {
        Clear();
        m_pData = other.m_pData;
        m_nSize = other.m_nSize;
        other.m_pData = nullptr;
        other.m_nSize = 0;
    }
    return *this;
}

CSecret::~CSecret() {
    Clear();
}

void CSecret::Clear() {
    FreePage(m_pData);
    m_pData = nullptr;
    m_nSize = 0;
}

} // namespace quorvel
