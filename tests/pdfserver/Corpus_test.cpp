#include "pdfserver/ServerFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

struct CorpusFile {
    std::string name;
    std::string pagesQpdf;
    std::string encrypted;
    std::string check;
};

std::string CorpusDir() {
    if (const char* dir = std::getenv("PDF_CORPUS_DIR")) {
        return dir;
    }
    return QUORVEL_SOURCE_DIR "/../shared/corpus";
}

// The rows of MANIFEST.tsv, read by the column names of its header.
std::vector<CorpusFile> ReadManifest(const std::string& dir) {
    std::vector<CorpusFile> files;
    std::ifstream in(dir + "/MANIFEST.tsv");
    std::string line;
    std::vector<std::string> header;
    auto split = [](const std::string& text) {
        std::vector<std::string> cells;
        std::stringstream stream(text);
        std::string cell;
        while (std::getline(stream, cell, '\t')) {
            cells.push_back(cell);
        }
        return cells;
    };
    if (!std::getline(in, line)) {
        return files;
    }
    header = split(line);
    auto column = [&header](const std::string& name) {
        for (size_t i = 0; i < header.size(); ++i) {
            if (header[i] == name) {
                return i;
            }
        }
        return header.size();
    };
    size_t file = column("file"), pages = column("pages_qpdf"), encrypted = column("encrypted"),
           check = column("qpdf_check");
    while (std::getline(in, line)) {
        auto cells = split(line);
        auto at = [&cells](size_t i) { return i < cells.size() ? cells[i] : std::string(); };
        files.push_back({at(file), at(pages), at(encrypted), at(check)});
    }
    return files;
}

bool IsCount(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

class CorpusTest : public ServerFixture {
protected:
    void SetUp() override {
        m_strDir = CorpusDir();
        if (!fs::exists(m_strDir + "/MANIFEST.tsv")) {
            GTEST_SKIP() << "PDF corpus not found at " << m_strDir
                         << " (set PDF_CORPUS_DIR to run these tests)";
        }
        m_files = ReadManifest(m_strDir);
    }

    std::string m_strDir;
    std::vector<CorpusFile> m_files;
};

// Every file either opens, appends whole (with its bookmarks) and saves into
// a sound file with the same page count, or fails to open. Nothing crashes.
TEST_F(CorpusTest, EveryFileAppendsWholeOrFailsToOpen) {
    ASSERT_GE(m_files.size(), 40u);
    for (const auto& file : m_files) {
        SCOPED_TRACE(file.name);
        auto source = NewPDDoc();
        bool opened = source->Open(m_strDir + "/" + file.name) != 0;
        // Files qpdf counts pages of and checks without errors, needing no
        // password, must open.
        bool readable = IsCount(file.pagesQpdf) && file.pagesQpdf != "0" &&
                        file.encrypted != "password" && file.check != "error";
        if (readable) {
            EXPECT_TRUE(opened);
        }
        if (file.encrypted == "password") {
            EXPECT_FALSE(opened);
        }
        if (!opened) {
            continue;
        }
        int pages = source->GetNumPages();
        if (IsCount(file.pagesQpdf) && file.pagesQpdf.size() < 6) {
            EXPECT_EQ(pages, std::stoi(file.pagesQpdf));
        }
        auto out = Created();
        ASSERT_EQ(out->InsertPages(-1, source, 0, pages, 1), 1);
        EXPECT_EQ(source->Close(), 1);
        std::string path = (m_dir / "corpus-out.pdf");
        ASSERT_EQ(out->Save(0x21, path), 1);
        auto parsed = ParseFully(path);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.pages, pages);
        EXPECT_EQ(parsed.pageObjects, pages) << "page objects outside the page tree";
        int check = QpdfCheck(path);
        EXPECT_TRUE(check == 0 || check == 3) << "qpdf --check exit " << check;
    }
}

// Encrypted files that open with the empty password are appended (the
// output is not encrypted); the others fail to open.
TEST_F(CorpusTest, AppendsEncryptedFilesOnlyWithoutAPassword) {
    int seen = 0;
    for (const auto& file : m_files) {
        if (file.encrypted != "empty-password" && file.encrypted != "password") {
            continue;
        }
        SCOPED_TRACE(file.name);
        ++seen;
        auto source = NewPDDoc();
        int opened = source->Open(m_strDir + "/" + file.name);
        EXPECT_EQ(opened, file.encrypted == "empty-password" ? 1 : 0);
    }
    EXPECT_GE(seen, 4);
}

} // namespace
} // namespace quorvel::test
