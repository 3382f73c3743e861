#pragma once
// Faults on purpose, for tests: the N-th call of a platform operation fails
// with a chosen native error, as a full disk or a failing device would make
// it fail. Off unless a test sets a plan, or the environment variable
// BRIMVAULT_FAULTS names one for a whole process (for tests that run the
// programs): a comma-separated list of OPERATION:N:ERROR[:PATH], where
// OPERATION is read, write, sync, rename or volume (the free-space query),
// N counts from 1 and ERROR is ENOSPC, EIO, EACCES, EDQUOT, ENETUNREACH or a
// number, or SLOW: that call waits 20 ms and then goes on (a slow disk, so
// that a test can stop a run that would otherwise end first).
// The operation "crash" with the error KILL and a point's name as PATH ends
// the process with SIGKILL when it passes that named point for the N-th
// time (crash_point below), so that tests kill a run exactly where a crash
// hurts most. With PATH only calls on paths
// holding that text count. Every later call fails too when N is followed
// by "+" (a disk that stays full).
#include <cstdint>
#include <string_view>

namespace bk::os {

enum class FaultOperation : std::uint8_t { read, write, sync, rename, volume, crash };

// Sets the plan from text in the form above; an empty text clears it.
// Returns false for text it cannot read (and changes nothing).
bool set_fault_plan(std::string_view plan);

// Called by the platform layer before each operation: the native error to
// fail with, or 0 to go on.
int injected_fault(FaultOperation operation, std::u16string_view path);

// A named point of the program where a test may have the process killed
// ("crash:N:KILL:name" in the plan). Does nothing otherwise.
void crash_point(std::u16string_view name);

}  // namespace bk::os
