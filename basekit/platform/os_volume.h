#pragma once
// What kind of volume holds a path: the counterpart of the drive types the
// engine's rules are written for (fixed, remote, removable).
#include <cstdint>
#include <vector>

#include "basekit/types.h"

namespace bk::os {

enum class VolumeKind : std::uint8_t {
    unknown,    // cannot be told (the path is missing, or a user-space file system)
    fixed,      // a local disk that stays in the machine
    removable,  // a medium that can be taken out: optical discs, USB sticks, card readers
    remote      // a network file system
};

// The kind of the volume that holds `path` (which must exist). Never throws:
// a path that cannot be examined gives unknown.
VolumeKind volume_kind(StringView path);

// The mount points of the fixed volumes, in the order the system lists its
// mounts (the root first). Never throws: an unreadable mount table gives "/".
std::vector<String> fixed_volume_roots();

struct VolumeRoot {
    String path;
    VolumeKind kind = VolumeKind::unknown;
};

// The mount points a user may pick folders from: the fixed volumes, the
// removable media and the network file systems, in the order the system
// lists its mounts. Never throws: an unreadable mount table gives nothing.
std::vector<VolumeRoot> browsable_volume_roots();

}  // namespace bk::os
