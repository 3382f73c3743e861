#pragma once
// The bits of a job's option word.
#include <cstdint>

namespace brim::job_option {

inline constexpr std::uint32_t ignore_ext = 0x4;         // the extension list names files to leave out
inline constexpr std::uint32_t aware_ext = 0x8;          // the extension list names the only files to take
inline constexpr std::uint32_t keep_set = 0x10;          // do not replace the set: append to it
inline constexpr std::uint32_t notify = 0x20;
inline constexpr std::uint32_t verify = 0x40;
inline constexpr std::uint32_t restorable = 0x80;        // made from an archive, can restore
inline constexpr std::uint32_t cipher_mask = 0x700;
inline constexpr std::uint32_t cipher_xor = 0x400;
inline constexpr std::uint32_t cipher_panama = 0x500;
inline constexpr std::uint32_t cipher_rijndael = 0x600;
inline constexpr std::uint32_t password = 0x800;
inline constexpr std::uint32_t security_mask = 0xF00;   // cipher and password
inline constexpr std::uint32_t unattended = 0x1000;
inline constexpr std::uint32_t open_file = 0x10000;
inline constexpr std::uint32_t retry = 0x20000;
// Burner jobs: how the disc is written.
inline constexpr std::uint32_t burn_close_disc = 0x100000;  // no later sessions can be added
inline constexpr std::uint32_t burn_eject = 0x200000;       // eject the disc when done
inline constexpr std::uint32_t burn_underrun = 0x400000;    // the drive's buffer-underrun protection
inline constexpr std::uint32_t restore_policy_mask = 0xF000000;
inline constexpr std::uint32_t restore_keep = 0x1000000;     // keep an existing file
inline constexpr std::uint32_t restore_ask = 0x2000000;      // ask
inline constexpr std::uint32_t restore_by_time = 0x4000000;  // decide by modification times
// What the store gives a new job: ask about existing files, retry, open files.
inline constexpr std::uint32_t new_job_default = 0x2030000;
// What a job made from an archive gains.
inline constexpr std::uint32_t from_archive = 0x300B0;

}  // namespace brim::job_option
