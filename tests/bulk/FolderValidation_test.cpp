#include "ScanTree_helper.h"

#include "bulk/BulkMessages.h"
#include "bulk/FolderValidation.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

class ScriptedMessages : public IMessageHost {
public:
    MsgResult answer = MsgResult::Yes;
    std::vector<std::string> shown;
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        shown.push_back(caption + "|" + text + "|" + std::to_string(static_cast<int>(buttons)) +
                        "|" + std::to_string(static_cast<int>(icon)));
        return buttons == MsgButtons::YesNo ? answer : MsgResult::Ok;
    }
};

std::string Box(const std::string& text, MsgButtons b, MsgIcon i) {
    return std::string(kAppName) + "|" + text + "|" + std::to_string(static_cast<int>(b)) + "|" +
           std::to_string(static_cast<int>(i));
}

} // namespace

TEST(FolderValidationTest, CheckFolderPathAcceptsAbsolutePathsOnly) {
    struct Case {
        const char* path;
        int expected;
    } cases[] = {{nullptr, 1}, {"", 1},  {"C:", 1}, {"C:\\", 1},           {"a/b", 1},
                 {"./a", 1},   {"/", 0}, {"/x", 0}, {"/no/such/folder", 0}};
    for (const auto& c : cases) {
        for (int syntaxOnly : {0, 1})
            EXPECT_EQ(CheckFolderPath(c.path, syntaxOnly), c.expected)
                << (c.path ? c.path : "(null)") << " " << syntaxOnly;
    }
}

TEST(FolderValidationTest, ValidateFolderMessagesAndResults) {
    quorvel::test::TempDir dir;
    const std::string file = dir.Write("plain.txt");
    const std::string missing = dir.Path() + "/new/deeper";

    struct Case {
        std::string path;
        MsgResult answer;
        int expected;
        std::vector<std::string> messages;
    } cases[] = {
        {dir.Path(), MsgResult::Yes, 0, {}},
        // Anything that exists is accepted, even a file.
        {file, MsgResult::No, 0, {}},
        {"relative/dir",
         MsgResult::Yes,
         1,
         {Box(BulkText::FolderInvalid("relative/dir"), MsgButtons::Ok, MsgIcon::Warning)}},
        {"",
         MsgResult::Yes,
         1,
         {Box(BulkText::FolderInvalid(""), MsgButtons::Ok, MsgIcon::Warning)}},
        {missing,
         MsgResult::No,
         -1,
         {Box(BulkText::FolderMissing(missing), MsgButtons::YesNo, MsgIcon::Question)}},
        {missing,
         MsgResult::Yes,
         0,
         {Box(BulkText::FolderMissing(missing), MsgButtons::YesNo, MsgIcon::Question)}},
    };
    for (const auto& c : cases) {
        ScriptedMessages messages;
        messages.answer = c.answer;
        EXPECT_EQ(ValidateFolder(c.path, messages), c.expected) << c.path;
        EXPECT_EQ(messages.shown, c.messages) << c.path;
    }
    // Accepting a missing folder creates nothing.
    EXPECT_NE(access(missing.c_str(), F_OK), 0);
}

TEST(FolderValidationTest, MessageTexts) {
    EXPECT_EQ(BulkText::FolderInvalid("x"), "The folder:\n\nx\n\nis invalid. Please reenter.");
    EXPECT_EQ(BulkText::FolderMissing("/y"),
              "The folder:\n\n/y\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(BulkText::FolderCannotCreate("/z"),
              "The folder:\n\n/z\n\ncan not be created. Please double check.");
}
