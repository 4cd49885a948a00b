#include "bulk/ListFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace quorvel;
using namespace std::string_literals;

namespace {

class ListFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (std::filesystem::temp_directory_path() / "quorvel-lst-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_path = m_dir + "/files.lst";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::vector<std::string> Read(const std::string& bytes) {
        std::ofstream(m_path, std::ios::binary) << bytes;
        std::vector<std::string> paths;
        EXPECT_TRUE(ReadListFile(m_path, [&](const std::string& p) { paths.push_back(p); }));
        return paths;
    }
    std::string m_dir, m_path;
};

using Paths = std::vector<std::string>;

} // namespace

TEST_F(ListFiles, UsesLinesByTheRules) {
    const std::string line300 = "/" + std::string(295, 'q') + ".pdf";
    struct {
        const char* name;
        std::string bytes;
        Paths expected;
    } cases[] = {
        {"comment, empty line, two paths",
         ";comment\r\n\r\nc:\\a.pdf\r\nd:\\b.PDF\r\n",
         {"c:\\a.pdf", "d:\\b.PDF"}},
        {"wildcards skipped", "c:\\docs\\*.pdf\r\nc:\\a?.pdf\r\n/ok.pdf\r\n", {"/ok.pdf"}},
        {"kept byte for byte",
         "c:\\a.pdf \r\n\"/q.pdf\"\r\n\t/t.pdf\r\nrel/x.pdf\r\n",
         {"c:\\a.pdf ", "\"/q.pdf\"", "\t/t.pdf", "rel/x.pdf"}},
        {"comment only at the first character", " ;x.pdf\r\n", {" ;x.pdf"}},
        {"CR CR LF: first four lines skipped",
         "/1.pdf\r\r\n;c\r\r\n/2.pdf\r\r\n\r\n/3.pdf\r\r\n/4.pdf\r\r\n/5.pdf\r\r\n/6.pdf\r\r\n",
         {"/5.pdf", "/6.pdf"}},
        {"after a plain line every CR line is used",
         "/1.pdf\r\r\n/plain.pdf\r\n/2.pdf\r\r\n/3.pdf\r\r\n/4.pdf\r\r\n/5.pdf\r\r\n",
         {"/plain.pdf", "/2.pdf", "/3.pdf", "/4.pdf", "/5.pdf"}},
        {"skipped wildcard lines still count",
         "*\r\r\n*\r\r\n?\r\r\n?\r\r\n/a.pdf\r\r\n",
         {"/a.pdf"}},
        {"a lone CR line is used as an empty path", "/p.pdf\n\r\r\n", {"/p.pdf", ""}},
        {"lone LF ends a line", "/a.pdf\n/b.pdf\n", {"/a.pdf", "/b.pdf"}},
        {"lone CR inside a line stays", "/a\rb.pdf\r\n", {"/a\rb.pdf"}},
        {"Ctrl-Z ends the file", "/a.pdf\r\n/b.pdf\x1a\r\n/c.pdf\r\n", {"/a.pdf", "/b.pdf"}},
        {"Ctrl-Z right after a CR", "/p.pdf\r\n/a.pdf\r\x1a/c.pdf\r\n", {"/p.pdf", "/a.pdf"}},
        {"last line without line end", "/a.pdf\r\n/b.pdf", {"/a.pdf", "/b.pdf"}},
        {"a line over 254 characters is read whole",
         line300 + "\r\n" + line300 + "\r\r\n/b.pdf\r\n",
         {line300, line300, "/b.pdf"}},
        {"exactly 254 characters",
         line300.substr(0, 254) + "\r\n/b.pdf\r\n",
         {line300.substr(0, 254), "/b.pdf"}},
        {"byte-order mark stays in front", "\xef\xbb\xbf/a.pdf\r\n", {"\xef\xbb\xbf/a.pdf"}},
        {"NUL ends the line's text",
         "/a.pdf\0junk\r\n\0/b.pdf\r\n/c.pdf\r\n"s,
         {"/a.pdf", "/c.pdf"}},
        {"binary bytes", "\xff\x80\x01\r\n"s, {"\xff\x80\x01"}},
        {"empty file", "", {}},
        {"only line ends", "\r\n\n\r\n", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.bytes), c.expected) << c.name;
}

TEST_F(ListFiles, MissingFileIsNotCreated) {
    int calls = 0;
    const std::string missing = m_dir + "/missing.job";
    EXPECT_FALSE(ReadListFile(missing, [&](const std::string&) { ++calls; }));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(ReadListFile(m_dir, [&](const std::string&) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST(ListFileEntryTest, CreateOnlyForTheFirstEntryWhenRemoving) {
    struct {
        bool remove;
        int rows;
        const char* create;
    } cases[] = {{true, 0, "Y"}, {true, 1, "N"}, {false, 0, "N"}, {false, 3, "N"}};
    for (const auto& c : cases) {
        const JobEntryFields e = ListFileEntry("/a.pdf", " /out.pdf", c.remove, c.rows);
        EXPECT_EQ(e.create, c.create) << c.remove << " " << c.rows;
        EXPECT_EQ(e.filename, "/a.pdf");
        EXPECT_EQ(e.selected, 1);
        EXPECT_EQ(e.parameters, "all");
        EXPECT_EQ(e.moveDir, "");
        EXPECT_EQ(e.outputFile, " /out.pdf");
        EXPECT_EQ(e.keepBookmarks, "N");
        EXPECT_EQ(e.append, "Y");
        EXPECT_EQ(e.bookmarkFilename, "N");
    }
}
