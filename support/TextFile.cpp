#include "support/TextFile.h"

#include "support/RegularFile.h"

#include <cstring>
#include <unistd.h>

namespace quorvel {

CTextFileReader::~CTextFileReader() {
    Close();
}

bool CTextFileReader::Open(const std::string& path, TextMode mode) {
    Close();
    // The name is handed to the system as a C string: a NUL inside it would
    // silently name another file.
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    // Only a regular file: a FIFO would wait for a writer, a device never end.
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return false;
    m_file = ::fdopen(fd, "rb");
    if (!m_file) {
        ::close(fd);
        return false;
    }
    // A file whose first read fails would otherwise look like an empty file
    // instead of one that cannot be read.
    if (std::fgetc(m_file) == EOF && std::ferror(m_file)) {
        Close();
        return false;
    }
    std::rewind(m_file);
    m_mode = mode;
    m_atEnd = false;
    m_hasPending = false;
    return true;
}

void CTextFileReader::Close() {
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_atEnd = true;
    m_hasPending = false;
}

int CTextFileReader::Peek() {
    if (!m_hasPending) {
        m_pending = Get();
        m_hasPending = true;
    }
    return m_pending;
}

int CTextFileReader::Get() {
    if (m_hasPending) {
        m_hasPending = false;
        return m_pending;
    }
    if (m_atEnd || !m_file)
        return EOF;
    int c = std::fgetc(m_file);
    if (c == EOF || (c == 0x1A && m_mode == TextMode::TextCtrlZ)) {
        m_atEnd = true;
        return EOF;
    }
    if (c == '\r' && m_mode != TextMode::Binary) {
        int next = std::fgetc(m_file);
        if (next == '\n')
            return '\n';
        if (next == EOF || (next == 0x1A && m_mode == TextMode::TextCtrlZ))
            m_atEnd = true;
        else
            std::ungetc(next, m_file);
    }
    return c;
}

bool CTextFileReader::ReadPiece(std::string& piece, size_t limit) {
    piece.clear();
    while (piece.size() < limit) {
        int c = Get();
        if (c == EOF)
            break;
        piece.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !piece.empty();
}

bool CTextFileReader::ReadLine(std::string& line, size_t limit) {
    line.clear();
    bool readAny = false;
    while (true) {
        if (line.size() >= limit) {
            if (Peek() == '\n')
                Get();
            break;
        }
        int c = Get();
        if (c == EOF)
            break;
        readAny = true;
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
    }
    return readAny;
}

std::string CutAtNul(const std::string& text) {
    return std::string(text.c_str());
}

std::string ToTextMode(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace quorvel
