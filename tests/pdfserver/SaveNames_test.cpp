// Save under names that are valid but awkward: the longest names a folder
// takes, and names with characters that stdio or qpdf might treat specially.

#include "pdfserver/ServerFixture.h"

#include <gmock/gmock.h>

namespace quorvel::test {
namespace {

class SaveNamesTest : public ServerFixture {};

TEST_F(SaveNamesTest, AnyNameTheFolderTakesCanBeSaved) {
    const std::vector<std::string> names = {
        std::string(251, 'n') + ".pdf", // 255 bytes: the longest name allowed
        std::string(244, 'm') + ".pdf", // long enough that a suffix would overflow it
        ".hidden.pdf",
        "-dash %s %n.pdf",
        "\xff\xfe.pdf",
        "with\nline break.pdf",
    };
    auto doc = Open(Source("A", 2));
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size() > 40 ? std::to_string(name.size()) + " characters" : name);
        SaveAndCheck(*doc, m_dir / name, 2);
        // A second save replaces the first, as the run's rows do.
        SaveAndCheck(*doc, m_dir / name, 2);
    }
    // Nothing but the sources and the saved files is left in the folder.
    EXPECT_EQ(ListFolder(m_dir.Path()).size(), m_sources.size() + names.size());
}

} // namespace
} // namespace quorvel::test
