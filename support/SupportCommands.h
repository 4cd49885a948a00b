#pragma once

#include "support/LogMessages.h"
#include "support/SupportPrompt.h"

#include <string>

namespace quorvel {

class CAppendLog;
struct SystemFacts;

// The save dialog of "&Export Log to CSV".
SupportFileDialog ExportLogDialogRequest();

// "&Export Log to CSV": asks for a file, writes the log's CSV copy there and
// offers to open it. Reports an unreadable log ("Can't open append.log") or a
// file that cannot be created (its path, caption "Log Write File Error");
// cancelling the file dialog does nothing.
void OnExportLogToCsv(ISupportPrompt& prompt, const std::string& logPath = kLogFileName);

// "&Clear Log": empties the log at once, without asking. When the log cannot
// be reopened afterwards, says so ("Can't open append.log"), since records
// would otherwise be lost without a word; returns false then.
bool OnClearLog(CAppendLog& log, IMessageHost& host);

// "Go to Website Homepage": opens the maker's web site; the result is not
// examined.
void OnGoToWebsite(ISupportPrompt& prompt);

// "Email Bug/Suggestion/Comments": hands the prepared report address, built
// from `facts`, to the desktop's mail program; nothing is reported.
void OnEmailBugReport(ISupportPrompt& prompt, const SystemFacts& facts);
// The same with the facts of this computer.
void OnEmailBugReport(ISupportPrompt& prompt);

} // namespace quorvel
