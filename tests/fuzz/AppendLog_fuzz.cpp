#include "FuzzFile.h"
#include "support/AppendLog.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvel;
    std::vector<LogRecord> records;
    if (!ReadLogRecords(fuzz::WriteFuzzFile(data, size), records))
        std::abort();
    static const size_t widths[6] = {22, 8, 80, 22, 22, 80};
    for (const LogRecord& record : records) {
        for (size_t i = 0; i < 6; ++i) {
            const std::string& field = record[i];
            if (field.size() > widths[i] || field.find('\0') != std::string::npos ||
                (!field.empty() && field.back() == ' '))
                std::abort();
        }
    }
    // Every record is one CSV line, plus the header line.
    const std::string csv = FormatLogCsv(records);
    size_t lines = 0;
    for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2))
        ++lines;
    if (lines < records.size() + 1)
        std::abort();
    return 0;
}
