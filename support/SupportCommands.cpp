#include "support/SupportCommands.h"

#include "support/AppendLog.h"
#include "support/BugReport.h"

namespace quorvel {

SupportFileDialog ExportLogDialogRequest() {
    return {kExportDialogTitle,
            {{kExportFilterCsv, "*.csv"}, {kExportFilterAll, "*.*"}},
            kExportDefaultExtension};
}

void OnExportLogToCsv(ISupportPrompt& prompt, const std::string& logPath) {
    const std::string csvPath = prompt.ChooseSaveFile(ExportLogDialogRequest());
    if (csvPath.empty())
        return;
    switch (ExportLogToCsv(logPath, csvPath)) {
    case ExportLogStatus::LogUnreadable:
        prompt.MessageBox(kCantOpenLog, kLogFileErrorCaption);
        return;
    case ExportLogStatus::CsvUnwritable:
        prompt.MessageBox(csvPath, kLogWriteFileErrorCaption);
        return;
    case ExportLogStatus::Ok:
        break;
    }
    if (prompt.MessageBox(kOpenCsvQuestion, kOpenCsvCaption, MsgButtons::YesNo) == MsgResult::Yes)
        prompt.OpenDocument(csvPath);
}

bool OnClearLog(CAppendLog& log, IMessageHost& host) {
    if (log.Clear())
        return true;
    host.MessageBox(kCantOpenLog, kLogFileErrorCaption);
    return false;
}

void OnGoToWebsite(ISupportPrompt& prompt) {
    prompt.OpenDocument(kMakerWebsiteUrl);
}

void OnEmailBugReport(ISupportPrompt& prompt, const SystemFacts& facts) {
    prompt.OpenDocument(BuildBugReportAddress(MakeSystemInfo(facts)));
}

void OnEmailBugReport(ISupportPrompt& prompt) {
    OnEmailBugReport(prompt, GatherSystemFacts());
}

} // namespace quorvel
