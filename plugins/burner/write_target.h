#pragma once
// Where a burn goes: an optical drive or an image file. A target takes the
// image's byte stream and can afterwards be read back for verification.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include <libisofs/libisofs.h>

struct burn_source;

namespace brimburn {

// What a writer reports and obeys while it runs, on the caller's thread.
struct WriteControl {
    const std::atomic<bool>& abort;
    // Bytes written so far of the total; also the moment to deliver events
    // gathered on other threads.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

class WriteTarget {
public:
    virtual ~WriteTarget() = default;
    // Writes the whole stream of `total` bytes. Returns a BURNER_E_* code;
    // BURNER_E_ABORTED when `control.abort` was raised, and then nothing of
    // the write is left behind where it can be (an image file).
    virtual std::int32_t write(burn_source* source, std::uint64_t total, WriteControl& control) = 0;
    // A source of the written blocks for the image library's reader (one
    // reference, the caller drops it), or null when it cannot be read back.
    virtual IsoDataSource* read_back() = 0;
    // Called once when the burn is over, verified or not.
    virtual void finish() {}
};

// The image's stream. The image library names it in the global namespace
// while the disc library's C++ declarations put it in its own; both are the
// same C structure, and only burn_source.cpp looks inside it.
// Reads up to `size` bytes; the count, 0 at the end, negative on failure.
int read_source(burn_source* source, unsigned char* buffer, int size);
std::uint64_t source_size(burn_source* source);
// Tells the image writer's thread to stop producing.
void cancel_source(burn_source* source);
// Drops the caller's reference.
void free_source(burn_source* source);

}  // namespace brimburn
