#pragma once

#include "support/LogMessages.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {

// One line of the append log as the viewer and the export see it: Date/Time,
// File Size, Appended File, Creation Time, Modified Time, Source File.
using LogRecord = std::array<std::string, 6>;

// The values of one record as written.
struct LogRecordValues {
    std::string dateTime;     // log timestamp of the moment of writing
    std::int64_t size = 0;    // size of the output file in bytes
    std::string outputPath;   // the output file as the run saved it
    std::string creationTime; // log timestamp, or empty
    std::string modifiedTime; // log timestamp, or empty
    std::string sourcePath;   // the job entry's file name
};

// "YYYY-MM-DD hh:mm:ss" of `t` in local time; empty when it cannot be broken
// down.
std::string FormatLogTimestamp(std::time_t t);

// One record line: six fields padded with blanks to 22, 8, 80, 22, 22 and 80
// characters (longer values are written whole), separated by TAB and ended
// by CR LF. 241 bytes when nothing is longer than its width.
std::string FormatLogRecord(const LogRecordValues& values);

// The values WriteLogRecord puts in a record for `outputPath` now: the size
// and the creation and last-write times of the output file; size 0 and empty
// times when it cannot be opened, empty times when its status cannot be read.
// Where the file system keeps no creation time, the status-change time stands
// in for it.
LogRecordValues CollectLogRecordValues(const std::string& outputPath,
                                       const std::string& sourcePath);

// The open append log: opened once at start-up, written after every append,
// emptied by Clear Log.
class CAppendLog {
public:
    CAppendLog() = default;
    ~CAppendLog();
    CAppendLog(const CAppendLog&) = delete;
    CAppendLog& operator=(const CAppendLog&) = delete;

    // Opens the log for reading and appending, creating it when missing.
    // False when it cannot be opened; the caller shows kCantOpenLog with
    // caption kLogFileErrorCaption.
    bool Open(const std::string& path = kLogFileName);
    bool IsOpen() const { return m_file != nullptr; }
    void Close();
    const std::string& Path() const { return m_strPath; }

    // Appends one record for an output file that was just saved and flushes
    // it, so separate readers see it at once; then syncs it to disk, so that
    // it survives a power loss as the saved output does. Reports nothing;
    // does nothing when no log is open.
    //
    // The sync runs beside the caller and is waited for by the next write,
    // Sync, Clear or Close: a run's next row goes on meanwhile, and the sync
    // then shares the disk's commit with that row's save instead of costing
    // a commit of its own.
    void WriteLogRecord(std::string outputPath, std::string sourcePath);
    // Appends a prepared record line (as FormatLogRecord makes it), flushes
    // it and starts its sync. False when no log is open, the write failed or
    // the sync of the record before it failed.
    bool WriteLine(const std::string& line);
    // Waits until every record written so far is on disk. False when a sync
    // failed.
    bool Sync();

    // Empties the log file: closes the stream and reopens the same path with
    // truncation; later records start at the beginning of the file. When it
    // cannot be reopened no stream is held (IsOpen() is false, records are
    // dropped) and the result is false.
    bool Clear();

private:
    std::FILE* m_file = nullptr;
    std::string m_strPath;
    std::thread m_syncer;
    bool m_bSynced = true;
};

// Reads every line of a log file as the viewer shows it: pieces of at most
// 511 characters, the last character of each piece removed, the six fields
// cut at offsets 0, 23, 32, 113, 136 and 159 with at most 22, 8, 80, 22, 22
// and 80 characters, trailing blanks removed. False (and no records) when
// the file cannot be opened.
bool ReadLogRecords(const std::string& path, std::vector<LogRecord>& records);

// The record of one piece read from the log (including its line feed, if
// any), cut as ReadLogRecords does.
LogRecord ParseLogLine(const std::string& piece);

// The CSV export's text: the header line, then one line per record, fields
// joined by commas without quoting, every line ended by CR LF.
std::string FormatLogCsv(const std::vector<LogRecord>& records);

// Writes FormatLogCsv(records) to `csvPath`. False when the file cannot be
// created or written.
bool ExportLogToCsv(const std::vector<LogRecord>& records, const std::string& csvPath);

enum class ExportLogStatus {
    Ok,
    LogUnreadable, // show kCantOpenLog / kLogFileErrorCaption; nothing written
    CsvUnwritable, // show the CSV path / kLogWriteFileErrorCaption
};

// Reads the log at `logPath` and writes its CSV copy to `csvPath`. The log is
// opened first, so no CSV file is created when it cannot be read.
ExportLogStatus ExportLogToCsv(const std::string& logPath, const std::string& csvPath);

} // namespace quorvel
