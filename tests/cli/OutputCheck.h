#pragma once

// Checks on what a run of quorvel-cli left behind, made with the qpdf tool so
// that they do not share code with the document server under test.

#include <string>
#include <vector>

namespace quorvel::test {

// The exit code of `qpdf --check PATH`: 0 clean, 3 warnings, 2 errors; -1 when
// qpdf crashed or ran past 60 s.
int QpdfCheck(const std::string& path);

// The page count that `qpdf --show-npages` reports, or -1.
long long QpdfPages(const std::string& path);

// One line of the corpus manifest (MANIFEST.tsv), by column name.
struct ManifestRow {
    std::string file;
    std::string pagesQpdf;    // a number or "error"
    std::string pagesPdfinfo; // a number, "error" or "timeout"
    std::string encrypted;    // "none", "empty-password" or "password"
    std::string qpdfCheck;    // "ok", "warnings", "error" or "crash"
};

// The folder of real-world PDFs: PDF_CORPUS_DIR when set, otherwise the
// shared corpus beside the source tree.
std::string CorpusDir();

// The rows of CorpusDir()/MANIFEST.tsv; empty when it cannot be read.
std::vector<ManifestRow> ReadManifest();

// A batch line of ten fields joined by "; " and ended by CR CR LF, as the
// desktop program writes it: file (after "~" when not selected), parameters,
// pages, status, move folder, output, keep bookmarks, create, append,
// bookmark file name.
std::string BatchLine(const std::string& file, const std::string& params,
                      const std::string& moveDir, const std::string& output,
                      const std::string& keep = "N", const std::string& create = "N",
                      const std::string& bookmarkName = "N", bool selected = true);

// setup.ini with the three padding paths, as the Setup dialog saves it.
std::string SetupIni(const std::string& oddEvery, const std::string& oddFinal,
                     const std::string& onEach);

// True when quorvel-cli lists `command` in its usage text.
bool CliHasCommand(const std::string& command);

// The line quorvel-cli prints on standard error for an application message
// box with `text`.
std::string AppMessage(const std::string& text);

} // namespace quorvel::test
