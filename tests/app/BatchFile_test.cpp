#include "app/BatchFile.h"
#include "app/BatchMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quorvel;
using namespace std::string_literals;

namespace quorvel {
void PrintTo(const JobEntryFields& f, std::ostream* os) {
    *os << "{'" << f.filename << "' " << f.selected << " '" << f.parameters << "' '" << f.moveDir
        << "' '" << f.outputFile << "' '" << f.keepBookmarks << "' '" << f.create << "' '"
        << f.append << "' '" << f.bookmarkFilename << "'}";
}
bool operator==(const JobEntryFields& a, const JobEntryFields& b) {
    return a.filename == b.filename && a.selected == b.selected && a.parameters == b.parameters &&
           a.moveDir == b.moveDir && a.outputFile == b.outputFile &&
           a.keepBookmarks == b.keepBookmarks && a.create == b.create && a.append == b.append &&
           a.bookmarkFilename == b.bookmarkFilename;
}
} // namespace quorvel

namespace {

class BatchFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (std::filesystem::temp_directory_path() / "quorvel-bat-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_path = m_dir + "/default.app";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    void WriteBytes(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }
    std::string ReadBytes() {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<JobEntryFields> Load() {
        std::vector<JobEntryFields> entries;
        EXPECT_TRUE(ReadBatchFile(m_path, [&](const JobEntryFields& f) { entries.push_back(f); }));
        return entries;
    }
    std::string m_dir, m_path;
};

// Adds a row with all eleven texts.
void AddRow(CMemoryJobList& jobs, const JobRow& texts) {
    const int row = jobs.AddRow(texts[0], texts[1]);
    for (int c = 1; c < kJobColumnCount; ++c)
        jobs.SetText(row, c, texts[static_cast<size_t>(c)]);
}

JobEntryFields Entry(std::string name, int selected, std::string params, std::string move,
                     std::string output, std::string keep, std::string create, std::string append,
                     std::string bookmark) {
    return {name, selected, params, move, output, keep, create, append, bookmark};
}

} // namespace

TEST_F(BatchFiles, WritesTenFieldsAndCrCrLf) {
    CMemoryJobList jobs;
    AddRow(jobs,
           {"Yes", "C:\\in\\a.pdf", "all", "3", "Ready.", "", "C:\\out\\o.pdf", "Y", "N", "", "N"});
    AddRow(jobs,
           {"No", "C:\\in\\a.pdf", "all", "3", "Ready.", "", "C:\\out\\o.pdf", "Y", "N", "", "N"});
    AddRow(jobs, {"", "/b.pdf", "", "", "", "", "", "", "", "", ""}); // only "No" gets the tilde
    AddRow(jobs, {"no", "/c.pdf", "1-2", "x", "y", "/m", "/o", "Y", "Y", "Y", "Y"});
    ASSERT_TRUE(WriteBatchFile(jobs, m_path));
    EXPECT_EQ(ReadBytes(), "C:\\in\\a.pdf; all; 3; Ready.; ; C:\\out\\o.pdf; Y; N; ; N\r\r\n"
                           "~C:\\in\\a.pdf; all; 3; Ready.; ; C:\\out\\o.pdf; Y; N; ; N\r\r\n"
                           "/b.pdf; ; ; ; ; ; ; ; ; \r\r\n"
                           "/c.pdf; 1-2; x; y; /m; /o; Y; Y; Y; Y\r\r\n");

    CMemoryJobList empty;
    ASSERT_TRUE(WriteBatchFile(empty, m_path));
    EXPECT_EQ(ReadBytes(), "");
    EXPECT_FALSE(WriteBatchFile(jobs, m_dir + "/no/such/dir/x.app"));
    EXPECT_FALSE(WriteBatchFile(jobs, m_dir));
}

TEST_F(BatchFiles, SaveThenLoadGivesBackTheEntries) {
    CMemoryJobList jobs;
    AddRow(jobs, {"Yes", "/in/a.pdf", "all", "3", "Ready.", "", "/out/o.pdf", "Y", "N", "", "N"});
    AddRow(jobs, {"No", "/in/b b.PDF", "odd,2-3", "Unknown", "No File.", "/moved", "/out/o.pdf",
                  "N", "Y", "Y", "Y"});
    AddRow(jobs, {"Yes", "/in/c.pdf", "", "0", "Done", "", "", "", "", "", ""});
    AddRow(jobs, {"Yes", "/in/t.pdf ", "10s ", "1", "x", "/m ", "/o.pdf ", "Y ", "N", "Y", "N "});
    ASSERT_TRUE(WriteBatchFile(jobs, m_path));
    const auto entries = Load();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], Entry("/in/a.pdf", 1, "all", "", "/out/o.pdf", "Y", "N", "", "N"));
    EXPECT_EQ(entries[1],
              Entry("/in/b b.PDF", 0, "odd,2-3", "/moved", "/out/o.pdf", "N", "Y", "Y", "Y"));
    EXPECT_EQ(entries[2], Entry("/in/c.pdf", 1, "", "", "", "", "", "", ""));
    // Trailing blanks survive; only leading blanks are removed on reading.
    EXPECT_EQ(entries[3], Entry("/in/t.pdf ", 1, "10s ", "/m ", "/o.pdf ", "Y ", "N", "Y", "N "));
}

TEST_F(BatchFiles, ReadsLinesByTheRules) {
    const std::string long300 = "/" + std::string(295, 'p') + ".pdf"; // 300 characters
    struct {
        const char* name;
        std::string bytes;
        std::vector<JobEntryFields> expected;
    } cases[] = {
        {"hand-written CR LF loses the last character",
         "/a.pdf; all\r\n/b.pdf; all; 1; s; ; /o.pdf; Y; N; Y; N\r\n",
         {Entry("/a.pdf", 1, "al", "", "", "", "", "", ""),
          Entry("/b.pdf", 1, "all", "", "/o.pdf", "Y", "N", "Y", "")}},
        {"runs of semicolons are one separator",
         "C:\\a.pdf;;all\r\r\n",
         {Entry("C:\\a.pdf", 1, "all", "", "", "", "", "", "")}},
        {"leading and trailing semicolons make no field",
         ";;/a.pdf;  all ;;\r\r\n",
         {Entry("/a.pdf", 1, "all ", "", "", "", "", "", "")}},
        {"empty lines skipped, missing fields empty",
         "\r\n\r\n~/a.pdf; 2\r\r\n\r\n",
         {Entry("/a.pdf", 0, "2", "", "", "", "", "", "")}},
        {"fields after ten are not used",
         "/a.pdf; p; 3; s; m; o; k; c; a; b; extra; more\r\r\n",
         {Entry("/a.pdf", 1, "p", "m", "o", "k", "c", "a", "b")}},
        {"semicolon in a path shifts the fields",
         "/x;y.pdf; all; 1; s; ; /o.pdf\r\r\n",
         {Entry("/x", 1, "y.pdf", "s", "", "/o.pdf", "", "", "")}},
        {"lone LF ends a line",
         "/a.pdf; all\n/b.pdf; 1\n",
         {Entry("/a.pdf", 1, "al", "", "", "", "", "", ""),
          Entry("/b.pdf", 1, "", "", "", "", "", "", "")}},
        {"lone CR is an ordinary character",
         "/a.pdf; x\ry\r\r\n",
         {Entry("/a.pdf", 1, "x\ry", "", "", "", "", "", "")}},
        {"last line without line break",
         "/a.pdf; all; 1",
         {Entry("/a.pdf", 1, "all", "", "", "", "", "", "")}},
        {"tilde alone", "~\r\r\n", {Entry("", 0, "", "", "", "", "", "", "")}},
        {"line of a single character", "x\r\n", {Entry("", 1, "", "", "", "", "", "", "")}},
        {"NUL ends the line's text",
         "/a.pdf; all\0; 1\r\r\n/b.pdf\r\r\n"s,
         {Entry("/a.pdf", 1, "al", "", "", "", "", "", ""),
          Entry("/b.pdf", 1, "", "", "", "", "", "", "")}},
        {"NUL at line start counts as empty", "\0/a.pdf\r\r\n"s, {}},
        {"a line over 254 characters is read whole",
         long300 + "; all; 1; s; ; " + long300 + "; Y\r\r\n/b.pdf; 2\r\r\n",
         {Entry(long300, 1, "all", "", long300, "Y", "", "", ""),
          Entry("/b.pdf", 1, "2", "", "", "", "", "", "")}},
        {"a line of exactly 254 characters",
         long300.substr(0, 253) + "\r\r\n/b.pdf; 2\r\r\n",
         {Entry(long300.substr(0, 253), 1, "", "", "", "", "", "", ""),
          Entry("/b.pdf", 1, "2", "", "", "", "", "", "")}},
        {"binary",
         "\xff\x1a\x01;\x80\r\r\n"s,
         {Entry("\xff\x1a\x01", 1, "\x80", "", "", "", "", "", "")}},
        {"empty file", "", {}},
    };
    for (const auto& c : cases) {
        WriteBytes(c.bytes);
        EXPECT_EQ(Load(), c.expected) << c.name;
    }
}

TEST_F(BatchFiles, UnreadableFile) {
    int calls = 0;
    EXPECT_FALSE(ReadBatchFile(m_dir + "/missing.app", [&](const JobEntryFields&) { ++calls; }));
    EXPECT_FALSE(ReadBatchFile(m_dir, [&](const JobEntryFields&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/missing.app"));
}

TEST_F(BatchFiles, RowsTheFormatCannotHoldAreLeftOutAndNamed) {
    // A semicolon or a line feed in any written text would split the line on
    // reading; a lone carriage return and a long name are held.
    const std::string longName = "/" + std::string(1000, 'l') + ".pdf";
    struct {
        const char* what;
        int column;
        std::string text;
        bool held;
    } cases[] = {
        {"semicolon in the file name", Filename, "/in/semi;colon.pdf", false},
        {"line feed in the file name", Filename, "/in/new\nline.pdf", false},
        {"semicolon in the output", OutputFile, "/out/o;x.pdf", false},
        {"line feed in the move-to folder", MoveToDirectory, "/m\n", false},
        {"semicolon in the parameters", AppendParameters, "1;2", false},
        {"NUL in a flag", KeepBookmarks, "Y\0"s, false},
        {"carriage return in the file name", Filename, "/in/cr\rx.pdf", true},
        {"a 1006-character file name", Filename, longName, true},
    };
    for (const auto& c : cases) {
        CMemoryJobList jobs;
        AddRow(jobs, {"Yes", "/in/a.pdf", "all", "1", "Ready.", "", "/o.pdf", "N", "Y", "Y", "N"});
        AddRow(jobs, {"No", "/in/b.pdf", "2", "1", "Ready.", "", "/o.pdf", "N", "N", "Y", "N"});
        jobs.SetText(1, c.column, c.text);
        AddRow(jobs, {"Yes", "/in/c.pdf", "all", "1", "Ready.", "", "/o.pdf", "N", "N", "Y", "N"});
        EXPECT_EQ(CanHoldBatchRow(jobs, 1), c.held) << c.what;
        std::vector<std::string> unsaved;
        ASSERT_TRUE(WriteBatchFile(jobs, m_path, &unsaved)) << c.what;
        const auto entries = Load();
        std::vector<std::string> names;
        for (const auto& e : entries)
            names.push_back(e.filename);
        if (c.held) {
            EXPECT_TRUE(unsaved.empty()) << c.what;
            ASSERT_EQ(entries.size(), 3u) << c.what;
            EXPECT_EQ(names[1], jobs.Text(1, Filename)) << c.what;
        } else {
            EXPECT_EQ(unsaved, std::vector<std::string>{jobs.Text(1, Filename)}) << c.what;
            EXPECT_EQ(names, (std::vector<std::string>{"/in/a.pdf", "/in/c.pdf"})) << c.what;
        }
    }
    EXPECT_EQ(UnsavedRowsText({"/a;b.pdf", "/c\nd.pdf"}),
              std::string(kUnsavedRowsText) + "\n/a;b.pdf\n/c\\nd.pdf");
}
