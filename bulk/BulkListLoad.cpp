#include "bulk/BulkListLoad.h"

#include "bulk/ListFile.h"

namespace quorvel {

bool LoadBulkList(const std::string& listFile, const std::string& outputFile, bool removeExisting,
                  const IJobList& jobs, const std::function<int(const JobEntryFields&)>& add,
                  IMessageHost& messages) {
    const bool read = ReadListFile(listFile, [&](const std::string& path) {
        add(ListFileEntry(path, outputFile, removeExisting, jobs.RowCount()));
    });
    if (!read)
        messages.MessageBox(listFile, kCantReadListFileCaption, MsgButtons::Ok, MsgIcon::None);
    return read;
}

} // namespace quorvel
