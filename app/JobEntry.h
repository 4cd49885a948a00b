#pragma once

#include "engine/JobList.h"

#include <string>

namespace quorvel {

// What adding an entry needs from whoever owns the job list: the page count of
// a file, an immediate repaint, and the parameters step for an entry that came
// without append parameters. The window runs its Append Parameters dialog
// there; the command-line program leaves the entry as it is.
class IAddJobHost {
public:
    virtual ~IAddJobHost() = default;
    virtual int GetPageCount(const std::string& path) = 0;
    virtual void RepaintNow() {}
    virtual void RunParamsStep(int /*row*/) {}
};

// The texts of a new job entry, in AddJobEntry's argument order.
struct JobEntryFields {
    std::string filename;
    int selected = 1; // 1: "Yes", anything else: "No"
    std::string parameters;
    std::string moveDir;
    std::string outputFile;
    std::string keepBookmarks;
    std::string create;
    std::string append;
    std::string bookmarkFilename;
};

// True when the name ends in exactly ".pdf" or ".PDF".
bool HasPdfExtension(const std::string& filename);

// Adds one entry at the end of the list: refuses (returns -1, list untouched)
// a name that does not end in ".pdf" or ".PDF"; otherwise fills the row, asks
// the host for the page count ("No File." when it is -1), repaints, runs the
// parameters step when the entry has no parameters, and returns 1. The count
// box is the caller's to refresh.
int AddJobEntry(IJobList& jobs, IAddJobHost& host, const JobEntryFields& fields);

} // namespace quorvel
