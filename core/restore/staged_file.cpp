#include "core/restore/staged_file.h"

#include <atomic>

#include "basekit/date.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"

namespace brim::restore {
namespace {

constexpr int name_tries = 100;

// A short name of its own, whatever the length of the target's name, so a
// target whose name is as long as the system allows can still be staged.
bk::String temporary_name(std::uint64_t serial) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    bk::String name(StagedFile::prefix);
    for (int shift = 60; shift >= 0; shift -= 4) name += digits[(serial >> shift) & 0xF];
    return name;
}

std::uint64_t next_serial() {
    static std::atomic<std::uint64_t> counter{static_cast<std::uint64_t>(bk::Date::now_time())};
    return counter.fetch_add(0x9E3779B97F4A7C15ull);
}

}  // namespace

StagedFile::StagedFile(bk::String target) : target_(std::move(target)) {}

StagedFile::~StagedFile() {
    if (committed_ || temporary_.empty()) return;
    try {
        bk::os::remove_file(temporary_);
    } catch (const bk::Exception&) {
        // Nothing more can be done; the name says what it is.
    }
}

std::unique_ptr<bk::FileOutputStream> StagedFile::create(std::uint32_t permissions) {
    const bk::String folder = bk::Path::directory_name(target_);
    for (int tries = 1;; ++tries) {
        const bk::String path = bk::Path::combine(folder, temporary_name(next_serial()));
        try {
            auto stream = std::make_unique<bk::FileOutputStream>(path, bk::FileMode::CreateNew, bk::FileShare::None,
                                                                 permissions, bk::FinalLink::refuse);
            temporary_ = path;
            return stream;
        } catch (const bk::IOException& failure) {
            const bool taken = failure.error_code() == bk::error::file_exists ||
                               failure.error_code() == bk::error::already_exists;
            if (!taken || tries >= name_tries) throw;
        }
    }
}

void StagedFile::commit() {
    bk::os::rename_entry(temporary_, target_);
    committed_ = true;
}

}  // namespace brim::restore
