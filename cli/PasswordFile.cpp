#include "cli/PasswordFile.h"

#include <cstdio>
#include <sys/stat.h>

namespace quorvel::cli {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

bool CPasswordFile::Load(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    // Sized up front so that the buffer does not move and leave copies behind.
    struct stat st {};
    std::string text;
    if (::fstat(fileno(f), &st) == 0 && st.st_size > 0)
        text.reserve(static_cast<size_t>(st.st_size) + 1);
    char chunk[512];
    size_t n = 0;
    bool ok = true;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    if (std::ferror(f))
        ok = false;
    std::fclose(f);
    WipeBytes(chunk, sizeof chunk);
    if (ok)
        Parse(text);
    WipeString(text);
    return ok;
}

void CPasswordFile::Parse(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r')
            --lineEnd;
        const std::string_view line(text.data() + start, lineEnd - start);
        if (!line.empty()) {
            const size_t tab = line.find('\t');
            if (tab == std::string_view::npos)
                m_general.emplace_back(line);
            else
                m_named.push_back(
                    {std::string(line.substr(0, tab)), CSecret(line.substr(tab + 1))});
        }
        start = end + 1;
    }
}

std::vector<const CSecret*> CPasswordFile::Candidates(const std::string& path) const {
    std::vector<const CSecret*> candidates;
    for (const Named& named : m_named) {
        if (SameFile(named.path, path))
            candidates.push_back(&named.password);
    }
    for (const CSecret& general : m_general)
        candidates.push_back(&general);
    return candidates;
}

PasswordAnswer CPasswordFile::AskPassword(const std::string& path, bool wrongBefore,
                                          bool /*offerSkipAll*/, CSecret& password) {
    size_t& next = m_nextTry[path];
    if (!wrongBefore)
        next = 0;
    const std::vector<const CSecret*> candidates = Candidates(path);
    if (next >= candidates.size())
        return PasswordAnswer::Skip;
    password = *candidates[next++];
    return PasswordAnswer::Ok;
}

bool TakePasswordFileOption(std::vector<std::string>& args, std::string& file) {
    // Options stand before the command's other arguments.
    for (size_t i = 0; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        if (args[i] != "--password-file")
            continue;
        if (i + 1 >= args.size())
            return false;
        file = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i + 2));
        return true;
    }
    return true;
}

bool LoadPasswordFile(const std::string& file, CPasswordFile& passwords) {
    if (file.empty())
        return true;
    // The document server and the PDF library keep copies of the passwords
    // that cannot be wiped.
    KeepProcessOutOfCoreDumps();
    if (!passwords.Load(file)) {
        std::fprintf(stderr, "quorvel-cli: cannot read password file %s\n", file.c_str());
        return false;
    }
    return true;
}

} // namespace quorvel::cli
