#pragma once
// Writes the data area of one run: per file a begin marker, the file's bytes
// in 64 KiB chunks each passed through the run's cipher, and an end marker.
// When a room is given, data that does not fit in the current file of the
// set continues in a new continuation volume (for rijndael only whole cipher
// chunks are split off; other ciphers split anywhere).
#include <cstdint>
#include <optional>
#include <vector>

#include "core/archive/data_header.h"
#include "core/archive/digest_pipe.h"
#include "core/archive/run_context.h"
#include "core/archive/set_file_writer.h"
#include "core/security/data_cipher.h"

namespace brim::archive {

// Gives the writer the next file of the set when the run's data spans.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // Opens a continuation volume for the data that continues into it and
    // returns its writer; `room` receives the bytes of data it may take.
    virtual SetFileWriter& open_continuation(std::uint64_t& room) = 0;
};

// The bytes a file of `plain_size` bytes takes in the data area, markers
// excluded: rijndael pads every 64 KiB chunk on its own to (n + 16) rounded
// down to a multiple of 16; the other ciphers keep the length.
std::uint64_t stored_size(CipherId cipher, std::uint64_t plain_size);

class DataWriter final {
public:
    // `cipher` may be null (no cipher); not owned. Without a room the whole
    // run goes into `out`; with one, `volumes` must be given. `digests`,
    // when given, sees every file's data as it passes and each file's end.
    DataWriter(SetFileWriter& out, RunContext& context, DataCipher* cipher, std::optional<std::uint64_t> room,
               VolumeSource* volumes, DigestPipe* digests = nullptr);

    // Writes one file's block. The item's stored size and data flag are
    // updated to what really went in (a file cut short by a read error or a
    // stop keeps its stored size and gets the data flag "no usable data");
    // returns false when that differs from the catalogue (a partial or failed
    // file) so the catalogue needs a patch.
    // Exceptions of the set's own file (disk full...) and those the context
    // rethrows end the run.
    bool write_file(DataHeader& item);

    // Bytes of data area written so far, markers included, across volumes.
    std::uint64_t data_length() const { return data_length_; }
    // The file of the set now being written.
    SetFileWriter& current() const { return *out_; }

private:
    void emit(const std::uint8_t* bytes, std::size_t size, bool whole);
    // False when reading the source failed (already reported to the context).
    bool write_blocks(DataHeader& item, bk::InputStream& in, std::uint64_t& plain, std::uint64_t& stored);

    SetFileWriter* out_;
    RunContext& context_;
    DataCipher* cipher_;
    std::optional<std::uint64_t> room_;
    VolumeSource* volumes_;
    bool fresh_volume_ = false;  // nothing written yet to the current continuation volume
    std::uint64_t data_length_ = 0;
    std::vector<std::uint8_t> plain_;
    std::vector<std::uint8_t> ciphered_;
    DigestPipe* digests_;
};

}  // namespace brim::archive
