#pragma once

#include "bulk/FolderWalk.h"

#include <string>
#include <vector>

namespace quorvel::test {

// A temporary folder removed (with everything in it) when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    // Creates the file (and its folders) below the temporary folder.
    std::string Write(const std::string& relative, const std::string& content = "x") const;
    std::string MakeDir(const std::string& relative) const;

private:
    std::string m_path;
};

// An AddJobEntry host that counts no pages and shows nothing.
class NullAddHost : public IAddJobHost {
public:
    int GetPageCount(const std::string&) override { return 0; }
};

// A scan host that records what the walk asked and can press Stop on the
// n-th pump.
class RecordingScanHost : public CJobListScanHost {
public:
    explicit RecordingScanHost(IJobList& jobs) : CJobListScanHost(jobs, m_null) {}
    bool StopRequested() override { return m_bStop; }
    void ShowFolder(const std::string& folder) override { shown.push_back(folder); }
    void PumpOneMessage() override {
        ++pumps;
        if (stopAtPump > 0 && pumps >= stopAtPump)
            m_bStop = true;
    }
    void AutosizeFilenameColumn() override { ++autosizes; }
    void FilesAhead(const std::vector<std::string>& paths) override { ahead.push_back(paths); }
    int AddJobEntry(const JobEntryFields& fields) override {
        attempts.push_back(fields.filename);
        pumpsAtAdd.push_back(pumps);
        return CJobListScanHost::AddJobEntry(fields);
    }

    bool m_bStop = false;
    int stopAtPump = 0;
    int pumps = 0;
    int autosizes = 0;
    std::vector<std::string> shown;
    std::vector<std::string> attempts;
    std::vector<int> pumpsAtAdd;                 // pump count at each AddJobEntry call
    std::vector<std::vector<std::string>> ahead; // every FilesAhead list

private:
    NullAddHost m_null;
};

} // namespace quorvel::test
