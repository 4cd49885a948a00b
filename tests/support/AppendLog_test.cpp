#include "support/AppendLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace quorvel;
using namespace std::string_literals;

namespace {

class LogFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (std::filesystem::temp_directory_path() / "quorvel-log-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_log = m_dir + "/append.log";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string m_dir, m_log;
};

const std::string kStamp = "2011-03-07 14:05:09";

LogRecordValues Sample() {
    return {kStamp, 1234, "/out/o.pdf", "2011-03-07 14:05:08", "2011-03-07 14:05:09", "/in/a.pdf"};
}

} // namespace

TEST(LogRecordFormat, FieldsSitAtFixedOffsetsWhenNothingOverflows) {
    const std::string line = FormatLogRecord(Sample());
    ASSERT_EQ(line.size(), 241u);
    for (size_t tab : {22u, 31u, 112u, 135u, 158u})
        EXPECT_EQ(line[tab], '\t') << tab;
    EXPECT_EQ(line.substr(239), "\r\n");
    EXPECT_EQ(line.substr(0, 22), kStamp + "   ");
    EXPECT_EQ(line.substr(23, 8), "1234    ");
    EXPECT_EQ(line.substr(32, 10), "/out/o.pdf");
    EXPECT_EQ(line.substr(159, 9), "/in/a.pdf");
    // Empty times are blank fields of full width.
    LogRecordValues blank = Sample();
    blank.size = 0;
    blank.creationTime.clear();
    blank.modifiedTime.clear();
    const std::string noTimes = FormatLogRecord(blank);
    ASSERT_EQ(noTimes.size(), 241u);
    EXPECT_EQ(noTimes.substr(23, 8), "0       ");
    EXPECT_EQ(noTimes.substr(113, 45), std::string(22, ' ') + "\t" + std::string(22, ' '));
}

TEST(LogRecordFormat, WriteThenParseRoundTripsAndOverflowShiftsFields) {
    struct {
        const char* name;
        LogRecordValues values;
        LogRecord expected;
    } cases[] = {
        {"plain",
         Sample(),
         {kStamp, "1234", "/out/o.pdf", "2011-03-07 14:05:08", kStamp, "/in/a.pdf"}},
        {"values of full width",
         {kStamp + "xyz", 12345678, std::string(80, 'o'), std::string(22, 'c'),
          std::string(22, 'm'), std::string(80, 's')},
         {kStamp + "xyz", "12345678", std::string(80, 'o'), std::string(22, 'c'),
          std::string(22, 'm'), std::string(80, 's')}},
        {"long source path is cut to 80",
         {kStamp, 1, "/o", "", "", std::string(100, 's')},
         {kStamp, "1", "/o", "", "", std::string(80, 's')}},
        {"nine-digit size shifts the later fields by one",
         {kStamp, 123456789, "/o.pdf", "", "", "/s.pdf"},
         {kStamp, "12345678", "\t/o.pdf", "\t", "\t", "\t/s.pdf"}},
        {"long output path shows parts of neighbouring fields",
         {kStamp, 7, std::string(85, 'p'), kStamp, kStamp, "/s.pdf"},
         {kStamp, "7", std::string(80, 'p'), "pppp\t" + kStamp.substr(0, 17),
          kStamp.substr(18) + "   \t" + kStamp.substr(0, 17), kStamp.substr(18) + "   \t/s.pdf"}},
        {"trailing blanks of a value are lost, other blanks stay",
         {kStamp, 3, " /o p.pdf  ", "", "", "\t/s.pdf \t "},
         {kStamp, "3", " /o p.pdf", "", "", "\t/s.pdf \t"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLogLine(FormatLogRecord(c.values)), c.expected) << c.name;
    }
}

TEST(LogRecordFormat, ParsesShortAndBinaryLinesSafely) {
    struct {
        const char* name;
        std::string piece;
        LogRecord expected;
    } cases[] = {
        {"empty", "", {}},
        {"line feed only", "\n", {}},
        {"NUL first", "\0abc\n"s, {}},
        {"NUL inside a field cuts the line", "2011\0-03\n"s, {"201"}},
        {"no line feed: last character lost", "abcdef", {"abcde"}},
        {"short line", "abc\r\n", {"abc\r"}},
        {"ends inside field 2", std::string(23, 'a') + "12\n", {std::string(22, 'a'), "12"}},
        {"binary", "\xff\x01\t\x1a \r\n"s, {"\xff\x01\t\x1a \r"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLogLine(c.piece), c.expected) << c.name;
}

TEST(LogRecordFormat, TimestampIsZeroPaddedLocalTime) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FormatLogTimestamp(1299506709), kStamp);
    EXPECT_EQ(FormatLogTimestamp(0), "1970-01-01 00:00:00");
    EXPECT_EQ(FormatLogTimestamp(946684799), "1999-12-31 23:59:59");
    if (oldTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(LogFiles, ReadsRecordsInPiecesOf511Characters) {
    const std::string record = FormatLogRecord(Sample());
    Write("append.log", record + "\r\n" + std::string(600, 'x') + "\n" + record.substr(0, 50));
    std::vector<LogRecord> records{LogRecord{}};
    ASSERT_TRUE(ReadLogRecords(m_log, records));
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0], ParseLogLine(record));
    EXPECT_EQ(records[1], LogRecord{"\r"});         // an empty line is a row of its own
    EXPECT_EQ(records[2][0], std::string(22, 'x')); // first 511 of 600, last one removed
    EXPECT_EQ(records[2][5], std::string(80, 'x'));
    EXPECT_EQ(records[3][0], std::string(22, 'x')); // the other 89, line feed removed
    EXPECT_EQ(records[3][2], std::string(57, 'x'));
    EXPECT_EQ(records[4][0], kStamp); // unterminated tail
    EXPECT_EQ(records[4][2], "/out/o.pdf");
    records.assign(3, LogRecord{});
    EXPECT_FALSE(ReadLogRecords(m_dir + "/missing.log", records));
    EXPECT_TRUE(records.empty());
}

TEST_F(LogFiles, WritesRecordsOfTheOutputFile) {
    const std::string output = Write("out.pdf", std::string(4321, '%'));
    CAppendLog log;
    ASSERT_TRUE(log.Open(m_log));
    EXPECT_TRUE(log.IsOpen());
    log.WriteLogRecord(output, "/in/a.pdf");
    log.WriteLogRecord(m_dir + "/missing.pdf", "/in/b.pdf");
    log.WriteLogRecord(m_dir, "/in/c.pdf"); // not a file: recorded like a missing one

    // Flushed: a separate reader sees both records while the log stays open.
    const std::string bytes = Read(m_log);
    ASSERT_EQ(bytes.size(), 2 * 241u + FormatLogRecord({"", 0, m_dir, "", "", ""}).size());
    std::vector<LogRecord> records;
    ASSERT_TRUE(ReadLogRecords(m_log, records));
    ASSERT_EQ(records.size(), 3u);
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
    EXPECT_TRUE(std::regex_match(records[0][0], stamp)) << records[0][0];
    EXPECT_EQ(records[0][1], "4321");
    EXPECT_EQ(records[0][2], output);
    EXPECT_TRUE(std::regex_match(records[0][3], stamp)) << records[0][3];
    EXPECT_TRUE(std::regex_match(records[0][4], stamp)) << records[0][4];
    EXPECT_EQ(records[0][5], "/in/a.pdf");
    // An output that cannot be opened: size 0, blank times, still recorded.
    EXPECT_TRUE(std::regex_match(records[1][0], stamp));
    EXPECT_EQ(records[1][1], "0");
    EXPECT_EQ(records[1][3], "");
    EXPECT_EQ(records[1][4], "");
    EXPECT_EQ(records[1][5], "/in/b.pdf");
    EXPECT_EQ(records[2][1], "0");
    EXPECT_EQ(records[2][3], "");
    EXPECT_EQ(records[2][4], "");
}

TEST_F(LogFiles, OpenAppendsToExistingRecordsAndClearEmptiesTheFile) {
    const std::string old = FormatLogRecord(Sample());
    Write("append.log", old);
    CAppendLog log;
    ASSERT_TRUE(log.Open(m_log));
    LogRecordValues second = Sample();
    second.sourcePath = "/in/second.pdf";
    ASSERT_TRUE(log.WriteLine(FormatLogRecord(second)));
    EXPECT_EQ(Read(m_log), old + FormatLogRecord(second));

    ASSERT_TRUE(log.Clear());
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(Read(m_log), "");
    ASSERT_TRUE(log.WriteLine(old));
    EXPECT_EQ(Read(m_log), old); // starts at the beginning of the emptied file

    CAppendLog missing;
    EXPECT_FALSE(missing.Open(m_dir + "/no/such/append.log"));
    EXPECT_FALSE(missing.IsOpen());
    missing.WriteLogRecord("/o.pdf", "/s.pdf"); // does nothing, and does not crash
    EXPECT_FALSE(missing.WriteLine(old));

    // Every record is synced: one that cannot be (a device that takes no
    // sync) is reported, though the bytes went out.
    ASSERT_TRUE(log.Sync());
    CAppendLog unsyncable;
    ASSERT_TRUE(unsyncable.Open("/dev/null"));
    EXPECT_TRUE(unsyncable.WriteLine(old));
    EXPECT_FALSE(unsyncable.Sync());
    unsyncable.WriteLine(old);
    EXPECT_FALSE(unsyncable.WriteLine(old)) << "the failed sync of the record before";
}

TEST_F(LogFiles, ClearThatCannotReopenHoldsNoStream) {
    CAppendLog log;
    ASSERT_TRUE(log.Open(m_log));
    // The log's name now names a folder: it cannot be reopened for writing.
    std::filesystem::remove(m_log);
    std::filesystem::create_directory(m_log);
    EXPECT_FALSE(log.Clear());
    EXPECT_FALSE(log.IsOpen());
    log.WriteLogRecord("/o.pdf", "/s.pdf");
    EXPECT_FALSE(log.WriteLine("x"));
    EXPECT_TRUE(std::filesystem::is_directory(m_log));
    EXPECT_TRUE(std::filesystem::is_empty(m_log));
}

TEST_F(LogFiles, ExportsCsvWithoutQuoting) {
    const std::string header = "Time,Bytes,Append File,Created Time,Modified Time,Source File\r\n";
    LogRecordValues comma = Sample();
    comma.outputPath = "/out/a,b.pdf";
    Write("append.log", FormatLogRecord(Sample()) + FormatLogRecord(comma));
    const std::string csv = m_dir + "/log.csv";
    Write("log.csv", "old");
    ASSERT_EQ(ExportLogToCsv(m_log, csv), ExportLogStatus::Ok);
    EXPECT_EQ(Read(csv), header + "2011-03-07 14:05:09,1234,/out/o.pdf,2011-03-07 14:05:08,"
                                  "2011-03-07 14:05:09,/in/a.pdf\r\n"
                                  "2011-03-07 14:05:09,1234,/out/a,b.pdf,2011-03-07 14:05:08,"
                                  "2011-03-07 14:05:09,/in/a.pdf\r\n");

    Write("append.log", "");
    ASSERT_EQ(ExportLogToCsv(m_log, csv), ExportLogStatus::Ok);
    EXPECT_EQ(Read(csv), header);

    const std::string notCreated = m_dir + "/never.csv";
    EXPECT_EQ(ExportLogToCsv(m_dir + "/missing.log", notCreated), ExportLogStatus::LogUnreadable);
    EXPECT_FALSE(std::filesystem::exists(notCreated));
    EXPECT_EQ(ExportLogToCsv(m_log, m_dir + "/no/such/dir.csv"), ExportLogStatus::CsvUnwritable);
    EXPECT_FALSE(ExportLogToCsv(std::vector<LogRecord>{}, m_dir));
}
