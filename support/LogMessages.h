#pragma once

namespace quorvel {

inline constexpr const char* kLogFileName = "append.log";

// Message boxes of the log commands (text, caption).
inline constexpr const char* kCantOpenLog = "Can't open append.log";
inline constexpr const char* kLogFileErrorCaption = "Log File Error";
// The export's failure to create the CSV file: the text is the chosen path.
inline constexpr const char* kLogWriteFileErrorCaption = "Log Write File Error";
inline constexpr const char* kOpenCsvQuestion = "Do you want to open file now in excel ?";
inline constexpr const char* kOpenCsvCaption = "Open File";

// The export's save dialog.
inline constexpr const char* kExportDialogTitle = "Export Log to CSV file";
inline constexpr const char* kExportFilterCsv = "*.csv";
inline constexpr const char* kExportFilterAll = "All Files *.*";
inline constexpr const char* kExportDefaultExtension = "csv";

// The viewer.
inline constexpr const char* kViewLogCaption = "View Append Log";
inline constexpr const char* kViewLogClose = "&Close";
inline constexpr const char* kViewLogClear = "Clear";

// Menu texts of the log commands.
inline constexpr const char* kMenuLog = "&Log";
inline constexpr const char* kMenuViewLog = "&View Log";
inline constexpr const char* kMenuClearLog = "&Clear Log";
inline constexpr const char* kMenuExportLog = "&Export Log to CSV";

struct LogColumnInfo {
    const char* header;
    int width; // initial width in pixels
};

// The viewer's six columns, in record order.
inline constexpr LogColumnInfo kLogColumns[6] = {
    {"Date/Time", 110},     {"File Size", 50},      {"Appended File", 200},
    {"Creation Time", 110}, {"Modified Time", 110}, {"Source File", 200},
};

// The header texts of the CSV export, in record order.
inline constexpr const char* kCsvHeaders[6] = {"Time",         "Bytes",         "Append File",
                                               "Created Time", "Modified Time", "Source File"};

} // namespace quorvel
