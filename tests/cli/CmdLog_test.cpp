#include "cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace quorvel::test;

namespace {

class CliLog : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (std::filesystem::temp_directory_path() / "quorvel-cl-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string m_dir;
};

} // namespace

TEST_F(CliLog, PrintsTheLogAsCsv) {
    std::ofstream(m_dir + "/append.log", std::ios::binary)
        << "2011-03-07 14:05:09   \t1234    \t"
        << std::string("/out/a,b.pdf") + std::string(68, ' ')
        << "\t2011-03-07 14:05:08   \t2011-03-07 14:05:09   \t/in/a.pdf" << std::string(71, ' ')
        << "\r\n\r\n";
    const CliResult r = RunCli({"log"}, m_dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Time,Bytes,Append File,Created Time,Modified Time,Source File\r\n"
                     "2011-03-07 14:05:09,1234,/out/a,b.pdf,2011-03-07 14:05:08,"
                     "2011-03-07 14:05:09,/in/a.pdf\r\n"
                     "\r,,,,,\r\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliLog, MissingLogIsAnError) {
    const CliResult r = RunCli({"log"}, m_dir);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Log File Error: Can't open append.log\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/append.log"));

    const CliResult extra = RunCli({"log", "x"}, m_dir);
    EXPECT_EQ(extra.exitCode, 2);
}
