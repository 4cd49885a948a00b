#include "cli/OutputCheck.h"

#include "cli/CliRun.h"
#include "engine/MessageHost.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace quorvel::test {

int QpdfCheck(const std::string& path) {
    CliResult r = RunProgram("qpdf", {"--check", path}, "", 60);
    return r.exitCode;
}

long long QpdfPages(const std::string& path) {
    CliResult r = RunProgram("qpdf", {"--show-npages", path}, "", 60);
    if ((r.exitCode != 0 && r.exitCode != 3) || r.out.empty())
        return -1;
    char* end = nullptr;
    long long pages = std::strtoll(r.out.c_str(), &end, 10);
    return end && (*end == '\n' || *end == '\0') ? pages : -1;
}

std::string CorpusDir() {
    if (const char* dir = std::getenv("PDF_CORPUS_DIR"); dir && *dir)
        return dir;
    return QUORVEL_SOURCE_DIR "/../shared/corpus";
}

std::vector<ManifestRow> ReadManifest() {
    std::vector<ManifestRow> rows;
    std::ifstream in(CorpusDir() + "/MANIFEST.tsv");
    std::string line;
    std::vector<std::string> header;
    auto split = [](const std::string& text) {
        std::vector<std::string> cells;
        std::istringstream stream(text);
        std::string cell;
        while (std::getline(stream, cell, '\t'))
            cells.push_back(cell);
        return cells;
    };
    if (!std::getline(in, line))
        return rows;
    header = split(line);
    while (std::getline(in, line)) {
        std::vector<std::string> cells = split(line);
        std::map<std::string, std::string> byName;
        for (size_t i = 0; i < header.size() && i < cells.size(); ++i)
            byName[header[i]] = cells[i];
        if (byName["file"].empty())
            continue;
        rows.push_back({byName["file"], byName["pages_qpdf"], byName["pages_pdfinfo"],
                        byName["encrypted"], byName["qpdf_check"]});
    }
    return rows;
}

std::string BatchLine(const std::string& file, const std::string& params,
                      const std::string& moveDir, const std::string& output,
                      const std::string& keep, const std::string& create,
                      const std::string& bookmarkName, bool selected) {
    return (selected ? "" : "~") + file + "; " + params + "; 0; Ready.; " + moveDir + "; " +
           output + "; " + keep + "; " + create + "; Y; " + bookmarkName + "\r\r\n";
}

std::string SetupIni(const std::string& oddEvery, const std::string& oddFinal,
                     const std::string& onEach) {
    return "ODDEVERY;" + oddEvery + "\r\nODDFINAL;" + oddFinal + "\r\nONEACH;" + onEach + "\r\n";
}

bool CliHasCommand(const std::string& command) {
    static const std::string usage = RunCli({}, "", 60).err;
    return usage.find("  quorvel-cli " + command + " ") != std::string::npos;
}

std::string AppMessage(const std::string& text) {
    return std::string(kAppName) + ": " + text + "\n";
}

} // namespace quorvel::test
