#include "bulk/ListFile.h"

#include "support/TextFile.h"

namespace quorvel {

bool ReadListFile(const std::string& path, const std::function<void(const std::string&)>& onPath) {
    CTextFileReader reader;
    if (!reader.Open(path, TextMode::TextCtrlZ))
        return false;
    int counter = 0;
    std::string raw;
    while (reader.ReadLine(raw)) {
        std::string line = CutAtNul(raw);
        if (line.empty() || line[0] == ';')
            continue;
        const bool trailingCr = line.back() == '\r';
        if (trailingCr)
            line.pop_back();
        else
            counter = 5;
        ++counter;
        if (counter <= 4)
            continue;
        if (line.find_first_of("*?") != std::string::npos)
            continue;
        if (onPath)
            onPath(line);
    }
    return true;
}

JobEntryFields ListFileEntry(const std::string& path, const std::string& outputFile,
                             bool removeExisting, int rowCountNow) {
    JobEntryFields entry;
    entry.filename = path;
    entry.selected = 1;
    entry.parameters = "all";
    entry.outputFile = outputFile;
    entry.keepBookmarks = "N";
    entry.create = removeExisting && rowCountNow == 0 ? "Y" : "N";
    entry.append = "Y";
    entry.bookmarkFilename = "N";
    return entry;
}

} // namespace quorvel
