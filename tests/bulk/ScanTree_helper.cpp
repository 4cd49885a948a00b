#include "ScanTree_helper.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quorvel::test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/quorvel-bulk-XXXXXX";
    if (mkdtemp(templ.data()))
        m_path = templ;
}

TempDir::~TempDir() {
    if (m_path.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::Write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path p = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

std::string TempDir::MakeDir(const std::string& relative) const {
    const std::filesystem::path p = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(p);
    return p.string();
}

} // namespace quorvel::test
