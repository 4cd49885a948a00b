#pragma once

#include "app/JobEntry.h"
#include "engine/JobList.h"
#include "engine/MessageHost.h"

#include <functional>
#include <string>

namespace quorvel {

// Reads the list file `listFile` and adds one entry per used line through
// `add` (the owner's AddJobEntry), all into `outputFile`. Create is decided
// just before each add: "Y" when `removeExisting` is set and `jobs` has no
// rows yet, so a refused line does not use it up. When the file cannot be
// opened, shows its name with the caption "Can't read job parameters file."
// (OK, no icon), adds nothing and returns false. The count box and the
// closing message are the caller's.
bool LoadBulkList(const std::string& listFile, const std::string& outputFile, bool removeExisting,
                  const IJobList& jobs, const std::function<int(const JobEntryFields&)>& add,
                  IMessageHost& messages);

} // namespace quorvel
