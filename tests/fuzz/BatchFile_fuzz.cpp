#include "FuzzFile.h"
#include "app/BatchFile.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvel;
    std::vector<JobEntryFields> entries;
    if (!ReadBatchFile(fuzz::WriteFuzzFile(data, size),
                       [&](const JobEntryFields& f) { entries.push_back(f); }))
        std::abort();
    for (const JobEntryFields& f : entries) {
        for (const std::string* text :
             {&f.filename, &f.parameters, &f.moveDir, &f.outputFile, &f.keepBookmarks, &f.create,
              &f.append, &f.bookmarkFilename}) {
            if (text->find_first_of(std::string(";\n\0", 3)) != std::string::npos)
                std::abort();
        }
        if (f.selected != 0 && f.selected != 1)
            std::abort();
    }

    // Every entry with a file name comes back the same after writing and
    // reading it again, however long its line.
    CMemoryJobList jobs;
    std::vector<JobEntryFields> kept;
    for (const JobEntryFields& f : entries) {
        const int row = jobs.AddRow(f.selected ? "Yes" : "No", f.filename);
        jobs.SetText(row, Filename, f.filename);
        jobs.SetText(row, AppendParameters, f.parameters);
        jobs.SetText(row, MoveToDirectory, f.moveDir);
        jobs.SetText(row, OutputFile, f.outputFile);
        jobs.SetText(row, KeepBookmarks, f.keepBookmarks);
        jobs.SetText(row, Create, f.create);
        jobs.SetText(row, Append, f.append);
        jobs.SetText(row, BookmarkFilename, f.bookmarkFilename);
        if (f.filename.empty())
            jobs.DeleteRow(row);
        else
            kept.push_back(f);
    }
    // The input itself as one more file name: left out and reported exactly
    // when it holds what the format cannot, otherwise read back as one entry.
    const std::string rawName(reinterpret_cast<const char*>(data), size);
    const bool holdable = rawName.find_first_of(std::string(";\n\0", 3)) == std::string::npos;
    const int rawRow = jobs.AddRow("Yes", rawName);
    jobs.SetText(rawRow, Filename, rawName);
    if (CanHoldBatchRow(jobs, rawRow) != holdable)
        std::abort();
    const std::string copy = fuzz::FuzzFilePath() + ".app";
    std::vector<std::string> unsaved;
    if (!WriteBatchFile(jobs, copy, &unsaved))
        std::abort();
    if (unsaved != (holdable ? std::vector<std::string>{} : std::vector<std::string>{rawName}))
        std::abort();
    std::vector<JobEntryFields> again;
    ReadBatchFile(copy, [&](const JobEntryFields& f) { again.push_back(f); });
    std::remove(copy.c_str());
    if (again.size() != kept.size() + (holdable ? 1 : 0))
        std::abort();
    for (size_t i = 0; i < kept.size(); ++i) {
        const JobEntryFields &a = kept[i], &b = again[i];
        if (a.filename != b.filename || a.selected != b.selected || a.parameters != b.parameters ||
            a.moveDir != b.moveDir || a.outputFile != b.outputFile ||
            a.keepBookmarks != b.keepBookmarks || a.create != b.create || a.append != b.append ||
            a.bookmarkFilename != b.bookmarkFilename)
            std::abort();
    }
    return 0;
}
