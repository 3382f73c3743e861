#pragma once
// Verification: each file of the project is read back from what was written
// and compared with its source, byte for byte.
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include <libisofs/libisofs.h>

#include "plugins/burner/burn_project.h"

namespace brimburn {

struct VerifyEvents {
    std::function<void(const ProjectFile&)> file;        // before a file is compared
    std::function<void(const ProjectFile&)> difference;  // it differs or cannot be read
};

// Compares every file in `files` with its copy in the image that `source`
// holds. Returns the number of files that differ, or -1 when the image
// itself cannot be read; stops early (returning what it found) once `stop`
// is raised.
int verify_files(IsoDataSource* source, const std::vector<ProjectFile>& files, VerifyEvents& events,
                 const std::atomic<bool>& stop);

}  // namespace brimburn
