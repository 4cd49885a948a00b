#include "support/AppendLog.h"

#include "support/TextFile.h"

#include <cinttypes>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

constexpr size_t kMaxLogPieceChars = 511;

struct FieldCut {
    size_t offset;
    size_t width;
};
constexpr FieldCut kFieldCuts[6] = {{0, 22}, {23, 8}, {32, 80}, {113, 22}, {136, 22}, {159, 80}};

std::string PadRight(const std::string& text, size_t width) {
    std::string out = text;
    if (out.size() < width)
        out.append(width - out.size(), ' ');
    return out;
}

void TrimTrailingBlanks(std::string& text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

} // namespace

std::string FormatLogTimestamp(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string FormatLogRecord(const LogRecordValues& v) {
    std::string line;
    line += PadRight(v.dateTime, 22);
    line += '\t';
    line += PadRight(std::to_string(v.size), 8);
    line += '\t';
    line += PadRight(v.outputPath, 80);
    line += '\t';
    line += PadRight(v.creationTime, 22);
    line += '\t';
    line += PadRight(v.modifiedTime, 22);
    line += '\t';
    line += PadRight(v.sourcePath, 80);
    line += "\r\n";
    return line;
}

LogRecordValues CollectLogRecordValues(const std::string& outputPath,
                                       const std::string& sourcePath) {
    LogRecordValues v;
    v.dateTime = FormatLogTimestamp(std::time(nullptr));
    v.outputPath = outputPath;
    v.sourcePath = sourcePath;
    if (outputPath.empty() || outputPath.find('\0') != std::string::npos)
        return v;
    // Non-blocking, so that a FIFO under the output's name cannot stall the
    // run; only a regular file has a size and times worth recording (a folder
    // would report its index size).
    const int fd = ::open(outputPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return v;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return v;
    }
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end >= 0)
        v.size = static_cast<std::int64_t>(end);
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MTIME | STATX_CTIME | STATX_BTIME, &sx) == 0) {
        const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0;
        const std::time_t created =
            static_cast<std::time_t>(hasBirth ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec);
        v.creationTime = FormatLogTimestamp(created);
        v.modifiedTime = FormatLogTimestamp(static_cast<std::time_t>(sx.stx_mtime.tv_sec));
    }
    ::close(fd);
    return v;
}

CAppendLog::~CAppendLog() {
    Close();
}

bool CAppendLog::Open(const std::string& path) {
    Close();
    m_strPath = path;
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    m_file = std::fopen(path.c_str(), "a+");
    return m_file != nullptr;
}

void CAppendLog::Close() {
    Sync();
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

bool CAppendLog::Sync() {
    if (m_syncer.joinable())
        m_syncer.join();
    const bool synced = m_bSynced;
    m_bSynced = true;
    return synced;
}

bool CAppendLog::WriteLine(const std::string& line) {
    if (!m_file)
        return false;
    const bool before = Sync();
    const bool written = std::fwrite(line.data(), 1, line.size(), m_file) == line.size();
    if (std::fflush(m_file) != 0 || !written)
        return false;
    // Synced as the output it records was, so that after a power loss the
    // log still holds the appends that the outputs hold.
    const int fd = ::fileno(m_file);
    m_bSynced = false;
    m_syncer = std::thread([this, fd] { m_bSynced = ::fdatasync(fd) == 0; });
    return before;
}

void CAppendLog::WriteLogRecord(std::string outputPath, std::string sourcePath) {
    if (!m_file)
        return;
    WriteLine(FormatLogRecord(CollectLogRecordValues(outputPath, sourcePath)));
}

bool CAppendLog::Clear() {
    Close();
    if (m_strPath.empty() || m_strPath.find('\0') != std::string::npos)
        return false;
    m_file = std::fopen(m_strPath.c_str(), "wb");
    return m_file != nullptr;
}

LogRecord ParseLogLine(const std::string& piece) {
    // The line is a C string: what follows a NUL byte is not part of it.
    std::string line = CutAtNul(piece);
    if (!line.empty())
        line.pop_back();
    LogRecord record;
    for (size_t i = 0; i < 6; ++i) {
        const FieldCut cut = kFieldCuts[i];
        if (cut.offset < line.size())
            record[i] = line.substr(cut.offset, cut.width);
        TrimTrailingBlanks(record[i]);
    }
    return record;
}

bool ReadLogRecords(const std::string& path, std::vector<LogRecord>& records) {
    records.clear();
    CTextFileReader reader;
    if (!reader.Open(path, TextMode::Binary))
        return false;
    std::string piece;
    while (reader.ReadPiece(piece, kMaxLogPieceChars))
        records.push_back(ParseLogLine(piece));
    return true;
}

std::string FormatLogCsv(const std::vector<LogRecord>& records) {
    auto joinLine = [](const auto& fields) {
        std::string line;
        for (size_t i = 0; i < 6; ++i) {
            if (i)
                line += ',';
            line += fields[i];
        }
        line += "\r\n";
        return line;
    };
    std::string csv = joinLine(kCsvHeaders);
    for (const auto& record : records)
        csv += joinLine(record);
    return csv;
}

bool ExportLogToCsv(const std::vector<LogRecord>& records, const std::string& csvPath) {
    return WriteWholeFile(csvPath, FormatLogCsv(records));
}

ExportLogStatus ExportLogToCsv(const std::string& logPath, const std::string& csvPath) {
    std::vector<LogRecord> records;
    if (!ReadLogRecords(logPath, records))
        return ExportLogStatus::LogUnreadable;
    return ExportLogToCsv(records, csvPath) ? ExportLogStatus::Ok : ExportLogStatus::CsvUnwritable;
}

} // namespace quorvel
