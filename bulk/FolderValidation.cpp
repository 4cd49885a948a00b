#include "bulk/FolderValidation.h"

#include "bulk/BulkMessages.h"

#include <unistd.h>

namespace quorvel {

namespace {

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

int CheckFolderPath(const char* path, int /*syntaxOnly*/) {
    if (path == nullptr || path[0] != '/')
        return 1;
    return 0;
}

int ValidateFolder(const std::string& path, IMessageHost& messages) {
    int r = CheckFolderPath(path.c_str(), 1);
    if (r != 0) {
        messages.MessageBox(r == 1 ? BulkText::FolderInvalid(path)
                                   : BulkText::FolderCannotCreate(path),
                            kAppName, MsgButtons::Ok, MsgIcon::Warning);
        return r;
    }
    if (Exists(path))
        return 0;
    if (messages.MessageBox(BulkText::FolderMissing(path), kAppName, MsgButtons::YesNo,
                            MsgIcon::Question) != MsgResult::Yes)
        return -1;
    r = CheckFolderPath(path.c_str(), 0);
    if (r == 0)
        return 0;
    messages.MessageBox(BulkText::FolderCannotCreate(path), kAppName, MsgButtons::Ok,
                        MsgIcon::Warning);
    return r;
}

} // namespace quorvel
