#include "engine/AppendHost.h"

#include "support/ProcessControl.h"

namespace quorvel {

void IAppendHost::TerminateReaderProcesses() {
    TerminateProcessesByName(kReaderExecutable);
}

} // namespace quorvel
