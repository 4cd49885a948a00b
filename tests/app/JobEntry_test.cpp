#include "app/JobEntry.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace quorvel;

namespace {

class FakeHost : public IAddJobHost {
public:
    std::map<std::string, int> pages;
    std::vector<std::string> calls;
    int GetPageCount(const std::string& path) override {
        calls.push_back("count " + path);
        auto it = pages.find(path);
        return it == pages.end() ? 0 : it->second;
    }
    void RepaintNow() override { calls.push_back("repaint"); }
    void RunParamsStep(int row) override { calls.push_back("params " + std::to_string(row)); }
};

JobEntryFields Entry(const std::string& name, const std::string& params, int selected = 1) {
    JobEntryFields f;
    f.filename = name;
    f.parameters = params;
    f.selected = selected;
    return f;
}

} // namespace

TEST(AddJobEntryTest, NameTestIsExactAndCaseSensitive) {
    CMemoryJobList jobs;
    FakeHost host;
    for (const char* name : {"a.pdf", "b.PDF", "c.Pdf", "d.pdf.txt", "pdf", ".pdf"})
        AddJobEntry(jobs, host, Entry(name, "all"));
    ASSERT_EQ(jobs.RowCount(), 3);
    EXPECT_EQ(jobs.Text(0, Filename), "a.pdf");
    EXPECT_EQ(jobs.Text(1, Filename), "b.PDF");
    EXPECT_EQ(jobs.Text(2, Filename), ".pdf");
    EXPECT_EQ(AddJobEntry(jobs, host, Entry("x.doc", "")), -1);
}

TEST(AddJobEntryTest, FillsColumnsAndRunsParamsStepOnlyWithoutParameters) {
    CMemoryJobList jobs;
    FakeHost host;
    host.pages["/d/gone.pdf"] = -1;
    host.pages["/d/five.pdf"] = 5;
    EXPECT_EQ(
        AddJobEntry(jobs, host, {"/d/five.pdf", 1, "all", "/mv", "/out.pdf", "Y", "N", "Y", "N"}),
        1);
    AddJobEntry(jobs, host, Entry("/d/gone.pdf", "", 0));
    const JobRow expected{"Yes",      "/d/five.pdf", "all", "5", "Ready.", "/mv",
                          "/out.pdf", "Y",           "N",   "Y", "N"};
    EXPECT_EQ(jobs.Row(0), expected);
    EXPECT_EQ(jobs.Text(1, Selected), "No");
    EXPECT_EQ(jobs.Text(1, Pages), "-1");
    EXPECT_EQ(jobs.Text(1, Status), "No File.");
    const std::vector<std::string> calls{"count /d/five.pdf", "repaint", "count /d/gone.pdf",
                                         "repaint", "params 1"};
    EXPECT_EQ(host.calls, calls);
}
