#include "app/BatchFile.h"

#include "app/BatchMessages.h"
#include "support/TextFile.h"

namespace quorvel {

std::string FormatBatchLine(const IJobList& jobs, int row) {
    std::string line;
    if (jobs.Text(row, Selected) == "No")
        line += '~';
    line += jobs.Text(row, Filename);
    for (int column = AppendParameters; column <= BookmarkFilename; ++column) {
        line += "; ";
        line += jobs.Text(row, column);
    }
    // Written through a text-mode stream, the carriage return stays and the
    // line feed gains one of its own: CR CR LF.
    line += "\r\n";
    return ToTextMode(line);
}

bool CanHoldBatchRow(const IJobList& jobs, int row) {
    static const std::string kUnholdable(";\n\0", 3);
    for (int column = Filename; column <= BookmarkFilename; ++column) {
        if (jobs.Text(row, column).find_first_of(kUnholdable) != std::string::npos)
            return false;
    }
    return true;
}

bool WriteBatchFile(const IJobList& jobs, const std::string& path,
                    std::vector<std::string>* unsaved) {
    std::string bytes;
    for (int row = 0; row < jobs.RowCount(); ++row) {
        if (CanHoldBatchRow(jobs, row))
            bytes += FormatBatchLine(jobs, row);
        else if (unsaved)
            unsaved->push_back(jobs.Text(row, Filename));
    }
    return WriteWholeFile(path, bytes);
}

std::string UnsavedRowName(const std::string& name) {
    std::string shown;
    for (char c : name) {
        if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

std::string UnsavedRowsText(const std::vector<std::string>& names) {
    std::string text = kUnsavedRowsText;
    for (const std::string& name : names)
        text += "\n" + UnsavedRowName(name);
    return text;
}

JobEntryFields ParseBatchLine(const std::string& rawLine) {
    std::string line = CutAtNul(rawLine);
    if (!line.empty())
        line.pop_back();

    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ';') {
            if (i > start) {
                std::string field = line.substr(start, i - start);
                const size_t firstNonBlank = field.find_first_not_of(' ');
                field.erase(0, firstNonBlank == std::string::npos ? field.size() : firstNonBlank);
                fields.push_back(std::move(field));
            }
            start = i + 1;
        }
    }
    auto field = [&fields](size_t n) { return n <= fields.size() ? fields[n - 1] : std::string(); };

    JobEntryFields entry;
    std::string name = field(1);
    if (!name.empty() && name[0] == '~') {
        entry.selected = 0;
        name.erase(0, 1);
    } else {
        entry.selected = 1;
    }
    entry.filename = name;
    entry.parameters = field(2);
    entry.moveDir = field(5);
    entry.outputFile = field(6);
    entry.keepBookmarks = field(7);
    entry.create = field(8);
    entry.append = field(9);
    entry.bookmarkFilename = field(10);
    return entry;
}

bool ReadBatchFile(const std::string& path,
                   const std::function<void(const JobEntryFields&)>& onEntry) {
    CTextFileReader reader;
    if (!reader.Open(path, TextMode::Text))
        return false;
    std::string line;
    while (reader.ReadLine(line)) {
        if (CutAtNul(line).empty())
            continue;
        if (onEntry)
            onEntry(ParseBatchLine(line));
    }
    return true;
}

} // namespace quorvel
