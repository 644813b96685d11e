// A write past the file-size limit (ulimit -f) kills a process that has not
// ignored SIGXFSZ; ignored, the write fails with EFBIG and the save reports it.
// The disposition belongs to the whole process, so the programs set it once at
// start-up, before any thread runs, and nothing changes it around a write.
#pragma once

namespace quorvane {

void ignoreFileSizeSignal();

}  // namespace quorvane
