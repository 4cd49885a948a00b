#include "ScanTree_helper.h"

#include "bulk/BulkListLoad.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorvel;

namespace {

class RecordingMessages : public IMessageHost {
public:
    std::vector<std::string> shown;
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        shown.push_back(caption + "|" + text + "|" + std::to_string(static_cast<int>(buttons)) +
                        "|" + std::to_string(static_cast<int>(icon)));
        return MsgResult::Ok;
    }
};

struct Loaded {
    bool read = false;
    CMemoryJobList jobs;
    RecordingMessages messages;
};

void Load(Loaded& out, const std::string& listFile, bool removeExisting) {
    test::NullAddHost addHost;
    out.read = LoadBulkList(
        listFile, "/out/all.pdf", removeExisting, out.jobs,
        [&](const JobEntryFields& f) { return AddJobEntry(out.jobs, addHost, f); }, out.messages);
}

} // namespace

TEST(BulkListLoadTest, AddsUsedLinesAndGivesCreateToTheFirstAddedOnly) {
    test::TempDir dir;
    const std::string list =
        dir.Write("jobs.lst", ";comment\r\n\r\n/in/x.txt\r\n/in/a.pdf\r\n/in/*.pdf\r\n/in/b.PDF");
    for (bool remove : {true, false}) {
        Loaded l;
        Load(l, list, remove);
        EXPECT_TRUE(l.read);
        EXPECT_TRUE(l.messages.shown.empty());
        ASSERT_EQ(l.jobs.RowCount(), 2);
        // The refused /in/x.txt does not use up the "Y".
        const JobRow first{"Yes", "/in/a.pdf",        "all", "0", "Ready.", "", "/out/all.pdf",
                           "N",   remove ? "Y" : "N", "Y",   "N"};
        EXPECT_EQ(l.jobs.Row(0), first);
        EXPECT_EQ(l.jobs.Text(1, Filename), "/in/b.PDF");
        EXPECT_EQ(l.jobs.Text(1, Create), "N");
    }
}

TEST(BulkListLoadTest, UnreadableListFileShowsItsNameAndCreatesNothing) {
    test::TempDir dir;
    const std::string missing = dir.Path() + "/missing.job";
    Loaded l;
    Load(l, missing, true);
    EXPECT_FALSE(l.read);
    EXPECT_EQ(l.jobs.RowCount(), 0);
    EXPECT_EQ(l.messages.shown,
              std::vector<std::string>{"Can't read job parameters file.|" + missing + "|0|0"});
    EXPECT_NE(access(missing.c_str(), F_OK), 0);
}
