#pragma once
// The core's messages of a burner run, by their numbers in the core string table.
#include <cstdint>

namespace brim::burner_message {

inline constexpr std::uint32_t backup_failed = 129;   // "Failed to execute backup operation(%s)!"
inline constexpr std::uint32_t unknown_error = 192;
inline constexpr std::uint32_t one_at_a_time = 237;
inline constexpr std::uint32_t burning_failed = 238;  // "Burning (%s) failed!"
inline constexpr std::uint32_t file_differs = 239;    // "File %s is different from %s"
inline constexpr std::uint32_t verifying = 240;
inline constexpr std::uint32_t verified = 241;
inline constexpr std::uint32_t add_file = 243;        // "Add burn file %s ,size %s."
inline constexpr std::uint32_t burning = 244;
inline constexpr std::uint32_t initializing = 245;
inline constexpr std::uint32_t cannot_load = 249;
// Sizes in the messages.
inline constexpr std::uint32_t size_gb = 242;
inline constexpr std::uint32_t size_mb = 246;
inline constexpr std::uint32_t size_zero = 247;
inline constexpr std::uint32_t size_kb = 248;
inline constexpr std::uint32_t size_bytes = 250;

}  // namespace brim::burner_message
