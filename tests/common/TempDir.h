#pragma once

#include <string>

namespace quorvel::test {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Path() + "/" + name.
    std::string operator/(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

// Writes `bytes` to `path`, replacing it; false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);

} // namespace quorvel::test
