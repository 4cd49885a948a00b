#pragma once

// Passwords in memory: kept in pages of their own that are left out of core
// dumps and, where the system allows, out of swap, and wiped before they are
// given back.

#include <cstddef>
#include <string.h>
#include <string>
#include <string_view>

namespace quorvel {

// The longest secret kept; longer input is cut. PDF passwords count at most
// 127 bytes, so nothing that can open a document is lost.
inline constexpr size_t kMaxSecretBytes = 1023;

class CSecret {
public:
    CSecret() = default;
    explicit CSecret(std::string_view text);
    CSecret(const CSecret& other);
    CSecret(CSecret&& other) noexcept;
    CSecret& operator=(const CSecret& other);
    CSecret& operator=(CSecret&& other) noexcept;
    ~CSecret();

    // The bytes, valid while this object lives and is not assigned to.
    std::string_view View() const { return {m_pData ? m_pData : "", m_nSize}; }
    // NUL-terminated, for libraries that take C strings.
    const char* CStr() const { return m_pData ? m_pData : ""; }
    bool Empty() const { return m_nSize == 0; }
    void Clear();

private:
    char* m_pData = nullptr;
    size_t m_nSize = 0;
};

// Overwrites `size` bytes at `data` in a way the compiler cannot drop.
inline void WipeBytes(void* data, size_t size) {
    if (data && size > 0)
        ::explicit_bzero(data, size);
}

// Overwrites the whole buffer of `s` (its capacity, not only its length),
// then empties it.
inline void WipeString(std::string& s) {
    // The bytes past the length may hold an earlier, longer value.
    s.resize(s.capacity());
    WipeBytes(s.data(), s.size());
    s.clear();
}

// Keeps this process out of core dumps (and out of reach of debuggers that
// are not root): for processes that hold passwords inside libraries whose
// copies cannot be placed or wiped.
void KeepProcessOutOfCoreDumps();

} // namespace quorvel
