#pragma once

#include <string>

namespace quorvel::test {

// The bytes of a small valid PDF with `pages` empty pages (0 gives a page
// tree without pages). Each page shows its number in its content stream, so
// tools that extract text can tell pages apart.
std::string MakePdf(int pages, const std::string& label = "page");

// Writes `plain` encrypted to `encrypted` with qpdf: user password `user`
// (empty: none, the file opens without one), owner password `owner`, and
// `bits` 128 (RC4) or 256 (AES).
bool EncryptPdf(const std::string& plain, const std::string& encrypted, const std::string& user,
                const std::string& owner, int bits);

// Runs a shell command; true when it exited with 0.
bool RunCommand(const std::string& command);

// The page count that poppler's pdfinfo reports, or -1.
int PdfInfoPages(const std::string& path);

} // namespace quorvel::test
