#include "core/archive/data_writer.h"

#include <algorithm>
#include <cstring>

namespace brim::archive {
std::uint64_t stored_size(CipherId cipher, std::uint64_t plain_size) {
    if (cipher != CipherId::rijndael) return plain_size;
    const std::uint64_t full = plain_size / chunk_size;
    const std::uint64_t rest = plain_size % chunk_size;
    std::uint64_t size = full * (chunk_size + 16);
    if (rest > 0) size += rest - rest % 16 + 16;
    return size;
}

DataWriter::DataWriter(SetFileWriter& out, RunContext& context, DataCipher* cipher,
                       std::optional<std::uint64_t> room, VolumeSource* volumes, DigestPipe* digests)
    : out_(&out), context_(context), cipher_(cipher), room_(room), volumes_(volumes),
      plain_(chunk_size), ciphered_(chunk_size + 32), digests_(digests) {}

void DataWriter::emit(const std::uint8_t* bytes, std::size_t size, bool whole) {
    data_length_ += size;
    while (size > 0) {
        if (!room_ || *room_ >= size) {
            out_->write(bytes, size);
            if (room_) *room_ -= size;
            fresh_volume_ = false;
            return;
        }
        // A fresh volume takes what it is given even beyond its room, so a
        // room smaller than one chunk cannot open volumes without end.
        if (whole && fresh_volume_) {
            out_->write(bytes, size);
            *room_ = 0;
            fresh_volume_ = false;
            return;
        }
        if (!whole && *room_ > 0) {
            const auto part = static_cast<std::size_t>(*room_);
            out_->write(bytes, part);
            bytes += part;
            size -= part;
        }
        std::uint64_t room = 0;
        out_ = &volumes_->open_continuation(room);
        room_ = room;
        fresh_volume_ = true;
    }
}

bool DataWriter::write_blocks(DataHeader& item, bk::InputStream& in, std::uint64_t& plain, std::uint64_t& stored) {
    const bool chunked = item.size > chunk_size;
    std::uint64_t remaining = item.size;
    while (remaining > 0 && !context_.has_stopped()) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, chunk_size));
        if (chunked) context_.on_size(static_cast<std::uint32_t>(want));
        // With digests the chunk is read and enciphered straight into the
        // digest pipe's batch, which spares copying it there.
        std::uint8_t* plain_buffer = plain_.data();
        std::uint8_t* stored_buffer = ciphered_.data();
        if (digests_ != nullptr) {
            const DigestPipe::Room room = digests_->lend(want, cipher_ != nullptr ? ciphered_.size() : 0);
            plain_buffer = room.plain;
            if (cipher_ != nullptr) stored_buffer = room.stored;
        }
        std::size_t got = 0;
        // Only the source's failures belong to the file; the set's own
        // (a full disk) come from emit and end the run.
        try {
            got = bk::read_up_to(in, plain_buffer, want);
        } catch (const bk::Exception& error) {
            context_.item_failed(item, error);
            return false;
        }
        if (got == 0) return true;
        const std::uint8_t* out = plain_buffer;
        std::size_t out_size = got;
        if (cipher_ != nullptr) {
            out_size = cipher_->encrypt(plain_buffer, got, stored_buffer);
            out = stored_buffer;
        }
        emit(out, out_size, cipher_ != nullptr && cipher_->id() == CipherId::rijndael);
        if (digests_ != nullptr) digests_->fill(got, cipher_ != nullptr ? out_size : 0);
        plain += got;
        stored += out_size;
        remaining -= got;
        if (got < want) return true;  // the file shrank since the scan
    }
    return true;
}

bool DataWriter::write_file(DataHeader& item) {
    const auto expected = static_cast<std::uint64_t>(item.stored_size);
    const bk::String path = item.full_path();
    context_.on_file(path, item.size <= chunk_size ? static_cast<std::uint32_t>(item.size) : 0);

    std::unique_ptr<bk::InputStream> in;
    try {
        in = context_.open_item(item);
    } catch (const bk::Exception& error) {
        context_.item_failed(item, error);
        // Its space is reserved but holds nothing.
        emit(marker_reserved, marker_size, true);
        emit(marker_data, marker_size, true);
        item.stored_size = 0;
        item.data_flag = data_unusable;
        item.status = DataStatus::nothing_written;
        if (digests_ != nullptr) digests_->end_file(false, false);
        return false;
    }

    emit(marker_data, marker_size, true);
    std::uint64_t plain = 0;
    std::uint64_t stored = 0;
    const bool read_failed = !write_blocks(item, *in, plain, stored);
    emit(marker_data, marker_size, true);

    const bool complete = !read_failed && stored == expected;
    item.stored_size = static_cast<std::int64_t>(stored);
    if (!complete) {
        item.status = stored == 0 ? DataStatus::nothing_written : DataStatus::partial;
        // Only data stored whole is usable: a file cut short by a read error or
        // a stop keeps its bytes (the offsets of the files after it count
        // them) but not the data flag. A file that shrank since the scan was
        // read to its end and stays usable.
        const bool cut_short = read_failed || (plain < item.size && context_.has_stopped());
        if (stored == 0 || cut_short) item.data_flag = data_unusable;
    }
    if (digests_ != nullptr) digests_->end_file(!read_failed && item.data_flag == data_valid, cipher_ != nullptr);
    context_.item_written(item, plain);
    return complete;
}

}  // namespace brim::archive
