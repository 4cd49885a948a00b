#include "support/AppendLog.h"
#include "support/BugReport.h"
#include "support/ScriptedSupportPrompt.h"
#include "support/SupportCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace quorvel;
using quorvel::testing::CScriptedSupportPrompt;
namespace fs = std::filesystem;

namespace {

class SupportCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "quorvel-support-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Record(const std::string& output, std::int64_t size,
                              const std::string& source) {
        LogRecordValues v;
        v.dateTime = "2011-03-07 14:05:09";
        v.size = size;
        v.outputPath = output;
        v.creationTime = "2011-03-07 14:05:01";
        v.modifiedTime = "2011-03-07 14:05:08";
        v.sourcePath = source;
        return FormatLogRecord(v);
    }

    fs::path m_dir;
};

} // namespace

TEST_F(SupportCommandsTest, ExportWritesCsvAndOpensItOnYes) {
    const std::string log = Path("append.log");
    const std::string longSource = "/data/" + std::string(90, 's') + ".pdf";
    WriteBytes(log,
               Record("/out/a.pdf", 120, "/in/x.pdf") + Record("/out/b,c.pdf", 95, longSource));
    CScriptedSupportPrompt prompt;
    const std::string csv = Path("log.csv");
    prompt.files = {csv};
    prompt.answers = {MsgResult::Yes};

    OnExportLogToCsv(prompt, log);

    ASSERT_EQ(prompt.saveSpecs.size(), 1u);
    EXPECT_EQ(prompt.saveSpecs[0].title, "Export Log to CSV file");
    ASSERT_EQ(prompt.saveSpecs[0].filters.size(), 2u);
    EXPECT_EQ(prompt.saveSpecs[0].filters[0].label, "*.csv");
    EXPECT_EQ(prompt.saveSpecs[0].filters[0].patterns, "*.csv");
    EXPECT_EQ(prompt.saveSpecs[0].filters[1].label, "All Files *.*");
    EXPECT_EQ(prompt.saveSpecs[0].defaultExtension, "csv");
    EXPECT_EQ(ReadBytes(csv),
              "Time,Bytes,Append File,Created Time,Modified Time,Source File\r\n"
              "2011-03-07 14:05:09,120,/out/a.pdf,2011-03-07 14:05:01,2011-03-07 14:05:08,"
              "/in/x.pdf\r\n"
              "2011-03-07 14:05:09,95,/out/b,c.pdf,2011-03-07 14:05:01,2011-03-07 14:05:08," +
                  longSource.substr(0, 80) + "\r\n");
    EXPECT_EQ(prompt.messages,
              std::vector<std::string>{"Open File|Do you want to open file now in excel ?"});
    EXPECT_EQ(prompt.messageButtons[0], MsgButtons::YesNo);
    EXPECT_EQ(prompt.opened, std::vector<std::string>{csv});
}

TEST_F(SupportCommandsTest, ExportFailuresAndCancel) {
    const std::string log = Path("append.log");
    WriteBytes(log, "");
    struct {
        const char* name;
        std::string logPath;
        std::string chosen;
        std::vector<std::string> messages;
    } cases[] = {
        {"cancelled", log, "", {}},
        {"log missing",
         Path("missing.log"),
         Path("a.csv"),
         {"Log File Error|Can't open append.log"}},
        {"cannot create",
         log,
         Path("no/such/dir/a.csv"),
         {"Log Write File Error|" + Path("no/such/dir/a.csv")}},
    };
    for (const auto& c : cases) {
        CScriptedSupportPrompt prompt;
        prompt.files = {c.chosen};
        prompt.answers = {MsgResult::Yes};
        OnExportLogToCsv(prompt, c.logPath);
        EXPECT_EQ(prompt.messages, c.messages) << c.name;
        EXPECT_TRUE(prompt.opened.empty()) << c.name;
    }
    EXPECT_FALSE(fs::exists(Path("a.csv"))); // an unreadable log creates no CSV file
}

TEST_F(SupportCommandsTest, ExportOfEmptyLogHoldsHeaderOnlyAndNoOpensOnNo) {
    const std::string log = Path("append.log");
    WriteBytes(log, "");
    CScriptedSupportPrompt prompt;
    prompt.files = {Path("e.csv")};
    prompt.answers = {MsgResult::No};
    OnExportLogToCsv(prompt, log);
    EXPECT_EQ(ReadBytes(Path("e.csv")),
              "Time,Bytes,Append File,Created Time,Modified Time,Source File\r\n");
    EXPECT_TRUE(prompt.opened.empty());
}

TEST_F(SupportCommandsTest, ClearLogEmptiesFileAndLaterRecordsStartAtTheBeginning) {
    const std::string log = Path("append.log");
    CAppendLog appendLog;
    ASSERT_TRUE(appendLog.Open(log));
    ASSERT_TRUE(appendLog.WriteLine(Record("/out/a.pdf", 1, "/in/a.pdf")));
    CScriptedSupportPrompt prompt;
    EXPECT_TRUE(OnClearLog(appendLog, prompt));
    EXPECT_EQ(ReadBytes(log), "");
    ASSERT_TRUE(appendLog.WriteLine(Record("/out/b.pdf", 2, "/in/b.pdf")));
    EXPECT_EQ(ReadBytes(log), Record("/out/b.pdf", 2, "/in/b.pdf"));
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(SupportCommandsTest, ClearLogThatCannotReopenSaysSo) {
    fs::create_directory(Path("sub"));
    const std::string log = Path("sub/append.log");
    CAppendLog appendLog;
    ASSERT_TRUE(appendLog.Open(log));
    fs::remove_all(Path("sub"));
    CScriptedSupportPrompt prompt;
    EXPECT_FALSE(OnClearLog(appendLog, prompt));
    EXPECT_FALSE(appendLog.IsOpen());
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Log File Error|Can't open append.log"});
}

TEST_F(SupportCommandsTest, WebsiteAndBugReportOpenTheirAddresses) {
    CScriptedSupportPrompt prompt;
    prompt.openResult = 31; // a failure is not reported
    OnGoToWebsite(prompt);
    SystemFacts facts;
    facts.arch = CpuArch::X86;
    facts.processorLevel = 6;
    facts.processorCount = 2;
    facts.osKnown = true;
    OnEmailBugReport(prompt, facts);
    ASSERT_EQ(prompt.opened.size(), 2u);
    EXPECT_EQ(prompt.opened[0], "https://www.brellwick.example/");
    EXPECT_EQ(prompt.opened[1], BuildBugReportAddress(MakeSystemInfo(facts)));
    EXPECT_NE(prompt.opened[1].find("Processors : 2%0dProcessor Level : Pentium (II/Pro)%0d"),
              std::string::npos);
    EXPECT_TRUE(prompt.messages.empty());
}
