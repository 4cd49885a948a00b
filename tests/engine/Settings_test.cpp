#include "engine/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quorvel;
using namespace std::string_literals;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (std::filesystem::temp_directory_path() / "quorvel-set-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_path = m_dir + "/setup.ini";
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
    std::string m_dir, m_path;
};

} // namespace

namespace quorvel {
void PrintTo(const SetupSettings& s, std::ostream* os) {
    *os << "{" << s.m_bNoSplash << ", '" << s.m_strOddEvery << "', '" << s.m_strOddFinal << "', '"
        << s.m_strOnEach << "'}";
}
} // namespace quorvel

TEST_F(SettingsFile, WritesExactBytes) {
    struct {
        SetupSettings settings;
        std::string bytes;
    } cases[] = {
        {{}, "ODDEVERY;\r\nODDFINAL;\r\nONEACH;\r\n"},
        {{1, "/p/odd.pdf", "/p/final.pdf", "/p/each.pdf"},
         "ODDEVERY;/p/odd.pdf\r\nODDFINAL;/p/final.pdf\r\nONEACH;/p/each.pdf\r\nNOSPLASH\r\n"},
        {{5, "", "x", ""}, "ODDEVERY;\r\nODDFINAL;x\r\nONEACH;\r\nNOSPLASH\r\n"},
    };
    for (const auto& c : cases) {
        WriteBytes("old content that must go away entirely\r\n\r\n\r\n\r\n\r\n\r\n");
        ASSERT_TRUE(SaveSettings(c.settings, m_path));
        EXPECT_EQ(ReadBytes(), c.bytes);
    }
}

TEST_F(SettingsFile, SaveThenLoadGivesSameSettings) {
    const SetupSettings cases[] = {
        {},
        {1, "/a b/odd.pdf", "", "/c/each.pdf"},
        {0, "", "/only/final.pdf", ""},
        {1, std::string(200, 'e') + ".pdf", "rel.pdf", "\xc3\xa9t\xc3\xa9.pdf"},
    };
    for (const auto& saved : cases) {
        ASSERT_TRUE(SaveSettings(saved, m_path));
        // Start from other values: every saved key must override them, and
        // an absent NOSPLASH must leave the flag as it was.
        SetupSettings loaded{0, "x", "y", "z"};
        LoadSettings(loaded, m_path);
        EXPECT_EQ(loaded, saved);
    }
}

TEST_F(SettingsFile, ReadsLinesByTheRules) {
    const std::string longValue(245, 'v'); // fills a 254-character piece with "ODDEVERY;"
    struct {
        const char* name;
        std::string bytes;
        SetupSettings expected; // loaded over {0, "E", "F", "O"}
    } cases[] = {
        {"only NOSPLASH", "NOSPLASH\r\n", {1, "E", "F", "O"}},
        {"empty value", "ODDEVERY;\r\n", {0, "", "F", "O"}},
        {"lower-case keys ignored", "oddevery;/x.pdf\r\nnosplash\r\n", {0, "E", "F", "O"}},
        {"unknown keys ignored", "ODDEVERYX;/x.pdf\r\n ODDFINAL;/y\r\n", {0, "E", "F", "O"}},
        {"empty and semicolon lines passed over",
         "\r\n;;;\r\n\r\n;\r\nONEACH;/e.pdf\r\n",
         {0, "E", "F", "/e.pdf"}},
        {"leading semicolons skipped", ";;ONEACH;;;/e.pdf;x\r\n", {0, "E", "F", "/e.pdf"}},
        {"later line overrides", "ODDFINAL;/1\r\nODDFINAL;/2\r\n", {0, "E", "/2", "O"}},
        {"NOSPLASH with anything after it", "NOSPLASH;off\r\n", {1, "E", "F", "O"}},
        {"value cut at a semicolon", "ODDEVERY;/a;b.pdf\r\n", {0, "/a", "F", "O"}},
        {"lone LF ends lines", "ODDEVERY;/a\nODDFINAL;/b\n", {0, "/a", "/b", "O"}},
        {"CR CR LF leaves no CR in the value", "ODDEVERY;/a\r\r\n", {0, "/a", "F", "O"}},
        {"last line without line end", "ONEACH;/z.pdf", {0, "E", "F", "/z.pdf"}},
        {"NUL ends the line's text", "ODDEVERY;/a\0b\r\nONEACH;/c\r\n"s, {0, "/a", "F", "/c"}},
        {"NUL at line start", "\0NOSPLASH\r\nODDFINAL;/f\r\n"s, {0, "E", "/f", "O"}},
        {"value spaces kept", "ODDEVERY; /s p.pdf \r\n", {0, " /s p.pdf ", "F", "O"}},
        {"overlong line continues as a new line",
         "ODDEVERY;" + longValue + "ONEACH;/tail.pdf\r\n",
         {0, longValue, "F", "/tail.pdf"}},
        {"binary bytes", "\x01\xff;\x1a\x00\x7f\r\n\r\r\r"s, {0, "E", "F", "O"}},
        {"empty file", "", {0, "E", "F", "O"}},
    };
    for (const auto& c : cases) {
        WriteBytes(c.bytes);
        SetupSettings loaded{0, "E", "F", "O"};
        LoadSettings(loaded, m_path);
        EXPECT_EQ(loaded, c.expected) << c.name;
    }
}

TEST_F(SettingsFile, UnreadableOrUnwritableFile) {
    SetupSettings settings{1, "a", "b", "c"};
    const SetupSettings before = settings;
    LoadSettings(settings, m_dir + "/missing.ini");
    EXPECT_EQ(settings, before);
    LoadSettings(settings, m_dir); // a folder
    EXPECT_EQ(settings, before);
    EXPECT_FALSE(SaveSettings(settings, m_dir + "/no/such/folder/setup.ini"));
    EXPECT_FALSE(SaveSettings(settings, m_dir));
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/no"));
}
