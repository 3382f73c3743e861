#include "plugins/burner/image_target.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "plugins/burner/burner_api.h"

namespace brimburn {
namespace {

constexpr int sector_bytes = 2048;
constexpr int chunk_sectors = 32;

// Fills `buffer` sector by sector, as a disc writer consumes the stream;
// the bytes read, 0 at its end, negative on failure.
int read_chunk(burn_source* source, unsigned char* buffer) {
    int done = 0;
    for (int i = 0; i < chunk_sectors; ++i) {
        const int got = read_source(source, buffer + done, sector_bytes);
        if (got < 0) return got;
        done += got;
        if (got < sector_bytes) break;
    }
    return done;
}

bool write_all(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// The temporary file is removed unless it was renamed into place.
class TemporaryFile final {
public:
    explicit TemporaryFile(const std::string& destination) : path_(destination + ".XXXXXX") {
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    bool commit(const std::string& destination) {
        // The image keeps the permissions of an ordinary new file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) return false;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return false;
        kept_ = ::rename(path_.c_str(), destination.c_str()) == 0;
        return kept_;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

}  // namespace

std::int32_t ImageTarget::write(burn_source* source, std::uint64_t total, WriteControl& control) {
    TemporaryFile file(path_);
    if (file.fd() < 0) return BURNER_E_WRITE;
    std::vector<unsigned char> buffer(sector_bytes * chunk_sectors);
    std::uint64_t done = 0;
    for (;;) {
        if (control.abort.load()) {
            cancel_source(source);
            return BURNER_E_ABORTED;
        }
        const int got = read_chunk(source, buffer.data());
        if (got < 0) return BURNER_E_IMAGE;
        if (got == 0) break;
        if (!write_all(file.fd(), buffer.data(), static_cast<std::size_t>(got))) {
            cancel_source(source);
            return BURNER_E_WRITE;
        }
        done += static_cast<std::uint64_t>(got);
        control.progress(done, total);
    }
    return file.commit(path_) ? BURNER_OK : BURNER_E_WRITE;
}

IsoDataSource* ImageTarget::read_back() {
    IsoDataSource* source = nullptr;
    return iso_data_source_new_from_file(path_.c_str(), &source) == 1 ? source : nullptr;
}

}  // namespace brimburn
