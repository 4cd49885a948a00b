#pragma once

#include "app/JobEntry.h"
#include "engine/JobList.h"

#include <string>
#include <vector>

namespace quorvel {

// What a folder walk needs from whoever runs it: the stop request of the
// Scanning dialog, the display of the folder being listed, the one-message
// pump, the window repaints, and the way entries reach the job list.
class IScanHost {
public:
    virtual ~IScanHost() = default;
    // True once the user pressed Stop; checked at the start of every folder
    // and before every entry.
    virtual bool StopRequested() = 0;
    // Shows the folder currently being listed.
    virtual void ShowFolder(const std::string& folder) = 0;
    // Dispatches at most one pending event; may re-enter the caller.
    virtual void PumpOneMessage() = 0;
    // Repaints the main window at once (after each entry).
    virtual void RepaintMainWindow() {}
    // Fits the job list's Filename column to its contents (once per folder).
    virtual void AutosizeFilenameColumn() {}
    // The files the walk will offer next, in order, as it starts on a folder
    // (and again as it comes back to it from a subfolder): a host may count
    // their pages ahead, several in one go.
    virtual void FilesAhead(const std::vector<std::string>& /*paths*/) {}
    // Adds one entry; 1 when added, -1 when the name was refused.
    virtual int AddJobEntry(const JobEntryFields& fields) = 0;
};

// A scan host over a job list and an AddJobEntry host, that never stops and
// shows nothing: what the command-line program uses. Windows and tests derive
// from it and override the display, the pump and the stop request.
class CJobListScanHost : public IScanHost {
public:
    CJobListScanHost(IJobList& jobs, IAddJobHost& addHost) : m_jobs(jobs), m_addHost(addHost) {}
    bool StopRequested() override { return false; }
    void ShowFolder(const std::string&) override {}
    void PumpOneMessage() override {}
    int AddJobEntry(const JobEntryFields& fields) override;

protected:
    IJobList& m_jobs;
    IAddJobHost& m_addHost;
};

// The extension every bulk load looks for.
inline constexpr const char* kPdfExtension = ".pdf";

// Walks `folder` depth first and adds every file whose lower-cased full path
// contains `extension`, with the output named after the file's title:
// outputDir + "/" + title with every ".pdf" and then every ".PDF" removed,
// + suffix + ".pdf". Create is "N". Within a folder, entries are taken in
// case-insensitive name order, ties in byte order (FolderNameLess in
// NameOrder.h). Folders whose names begin with a dot, and symbolic links to
// folders, are never entered; a folder that cannot be listed adds nothing.
// Stop ends the walk; entries added so far stay.
void ScanFolderGrouped(IScanHost& host, const std::string& folder, const std::string& extension,
                       int recurse, const std::string& outputDir, const std::string& suffix);

// The same walk, taking only files whose name (not path) contains
// `containsText` byte for byte (empty matches all), all into `outputFile`.
// When `removeExisting` is set, the first entry this walk actually adds gets
// Create "Y" and every other one "N".
void ScanFolderOneOutput(IScanHost& host, const std::string& folder, const std::string& extension,
                         int recurse, const std::string& containsText,
                         const std::string& outputFile, bool removeExisting);

// The same walk, with outputs named outputDir + "/" + the first n bytes of the
// title + ".pdf" (a negative n, or one beyond the title, takes the whole title;
// when byte n lies inside a UTF-8 character, the cut takes the whole character).
void ScanFolderPartName(IScanHost& host, const std::string& folder, const std::string& extension,
                        int recurse, int firstChars, const std::string& outputDir);

// Path helpers shared by the walks and their commands.

// The last component of a path, extension kept.
std::string FileTitle(const std::string& path);
// folder + "/" + name, without doubling a separator that ends `folder`.
std::string JoinPath(const std::string& folder, const std::string& name);
// Removes every trailing "/", but keeps a lone "/".
std::string RemoveTrailingSeparators(const std::string& path);
// True when the ASCII-lower-cased `fullPath` contains `extension` anywhere.
bool PassesExtensionTest(const std::string& fullPath, const std::string& extension);
// The output path of the grouping walk for one source file.
std::string GroupedOutputPath(const std::string& outputDir, const std::string& suffix,
                              const std::string& sourcePath);
// The output path of the part-filename walk for one source file.
std::string PartNameOutputPath(const std::string& outputDir, int firstChars,
                               const std::string& sourcePath);

} // namespace quorvel
