#include "app/JobEntry.h"

namespace quorvel {

bool HasPdfExtension(const std::string& filename) {
    if (filename.size() < 4)
        return false;
    const std::string tail = filename.substr(filename.size() - 4);
    return tail == ".pdf" || tail == ".PDF";
}

int AddJobEntry(IJobList& jobs, IAddJobHost& host, const JobEntryFields& f) {
    if (!HasPdfExtension(f.filename))
        return -1;
    const int row = jobs.AddRow(f.selected == 1 ? "Yes" : "No", f.filename);
    jobs.SetText(row, Filename, f.filename);
    const int pages = host.GetPageCount(f.filename);
    jobs.SetText(row, Pages, std::to_string(pages));
    jobs.SetText(row, Status, StatusText::kReadyAdded);
    jobs.SetText(row, AppendParameters, f.parameters);
    jobs.SetText(row, MoveToDirectory, f.moveDir);
    jobs.SetText(row, OutputFile, f.outputFile);
    jobs.SetText(row, KeepBookmarks, f.keepBookmarks);
    jobs.SetText(row, Create, f.create);
    jobs.SetText(row, Append, f.append);
    jobs.SetText(row, BookmarkFilename, f.bookmarkFilename);
    if (pages == -1)
        jobs.SetText(row, Status, StatusText::kNoFile);
    host.RepaintNow();
    if (f.parameters.empty())
        host.RunParamsStep(row);
    return 1;
}

} // namespace quorvel
