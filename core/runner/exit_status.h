#pragma once
// The programs' exit statuses besides a run's result (0 successful ... 5
// failed), one table for every process that answers them: brimvault-cli,
// and the owner of the data directory answering what is handed over to it.
// The README's table lists them.
namespace brim::exit_status {

inline constexpr int usage = 64;          // a wrong option or value, or input refused
inline constexpr int not_found = 65;      // no such job, archive file or item
inline constexpr int failure = 70;        // the work failed (the message says why)
inline constexpr int store_damaged = 74;  // the job store was read only in part: "job repair"
inline constexpr int store_busy = 75;     // another process holds the job store
inline constexpr int password = 77;       // the password is missing or not right

}  // namespace brim::exit_status
