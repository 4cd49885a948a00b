#pragma once

#include "engine/AppendHost.h"
#include "engine/AppendRunState.h"
#include "engine/Automation.h"
#include "engine/JobList.h"

namespace quorvel {

struct SetupSettings;
class CAppendLog;

// Label texts of the "Append Files" button.
inline constexpr const char* kLabelAppendFiles = "Append Files";
inline constexpr const char* kLabelStop = "Stop";

// What a click on "Append Files" does: walks the job list from the first row
// to the last and appends the pages of every selected row that has append
// parameters to its output file through the document server. Runs on the
// caller's thread; it keeps the window alive through host.PumpOneMessage(),
// which may re-enter this function (a click on "Stop" then only sets
// state.m_bStopRequested). Every failure is shown through the host and ends
// the run. `settings` is read again for each row, so padding files changed
// in Setup during the run apply from the next row on. `log` may be null (no
// log stream): no records are written then.
void OnAppendFiles(IJobList& jobs, IAppendHost& host, IAutomationFactory& factory,
                   const SetupSettings& settings, CAppendLog* log, AppendRunState& state);

} // namespace quorvel
