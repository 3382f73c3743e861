#pragma once
// What the platform tells about the machine, its volumes and the user.
#include <cstdint>
#include <optional>

#include "basekit/types.h"

namespace bk::os {

struct VolumeSpace {
    std::uint32_t block_size = 0;  // the file system's allocation unit in bytes
    std::int64_t free_bytes = 0;   // bytes the calling user may still use
};

// The volume that holds `path`. Throws IOException when it cannot be asked.
VolumeSpace volume_space(StringView path);

// The machine's physical memory in bytes; 0 when the platform cannot tell.
std::uint64_t physical_memory();

// The login name of the process's user from the password database; empty
// when the database has no entry for the user.
String user_name();

// Whether the process runs as the administrator (the superuser), as a
// package's installation scripts do.
bool runs_as_administrator();

// The machine's host name; empty when it cannot be read.
String host_name();

// The id of this process, unique among the processes running now.
std::uint32_t process_id();

// The value of an environment variable, absent when it is not set.
std::optional<String> environment_variable(StringView name);

// Blocks the requests to end (SIGTERM, SIGINT) in the calling thread and in
// the threads it starts from then on, so that wait_for_end_request() takes
// them instead of the process ending at once.
void block_end_requests();
// Waits for a request to end blocked by block_end_requests(); returns its
// signal number.
int wait_for_end_request();
// The same for at most `ms` milliseconds; 0 when none came.
int wait_for_end_request(int ms);

// For a program with an event loop: from now on a request to end (SIGTERM,
// SIGINT) no longer ends the process but writes one byte, the signal's
// number, to a pipe whose reading end this returns (non-blocking, closed on
// exec); the loop watches it and ends the program in good order. The same
// descriptor on every call; -1 when the pipe cannot be made.
int end_request_descriptor();

}  // namespace bk::os
