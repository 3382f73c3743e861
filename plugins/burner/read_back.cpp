#include "plugins/burner/read_back.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace brimburn {
namespace {

constexpr std::size_t block_bytes = 64 * 1024;

// One open source file, closed on every path.
class SourceFile final {
public:
    explicit SourceFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~SourceFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    bool is_open() const { return fd_ >= 0; }
    // Fills `buffer` unless the file ends first; the count, -1 on failure.
    long read_full(char* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::read(fd_, buffer + done, size - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<long>(done);
    }

private:
    int fd_;
};

// A file of the image, opened for reading and released on every path.
class ImageFile final {
public:
    ImageFile(IsoFilesystem* fs, const std::string& path) {
        if (fs->get_by_path(fs, path.c_str(), &source_) != 1) source_ = nullptr;
        open_ = source_ != nullptr && iso_file_source_open(source_) == 1;
    }
    ~ImageFile() {
        if (open_) iso_file_source_close(source_);
        if (source_ != nullptr) iso_file_source_unref(source_);
    }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    bool is_open() const { return open_; }
    long read_full(char* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const int got = iso_file_source_read(source_, buffer + done, size - done);
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<long>(done);
    }

private:
    IsoFileSource* source_ = nullptr;
    bool open_ = false;
};

bool same_content(IsoFilesystem* fs, const ProjectFile& file, const std::atomic<bool>& stop) {
    ImageFile copy(fs, file.disc_path);
    SourceFile original(file.source_path);
    if (!copy.is_open() || !original.is_open()) return false;
    std::vector<char> a(block_bytes), b(block_bytes);
    for (;;) {
        if (stop.load()) return true;  // not compared: no verdict
        const long got_copy = copy.read_full(a.data(), block_bytes);
        const long got_original = original.read_full(b.data(), block_bytes);
        if (got_copy < 0 || got_original < 0 || got_copy != got_original) return false;
        if (got_copy == 0) return true;
        if (std::memcmp(a.data(), b.data(), static_cast<std::size_t>(got_copy)) != 0) return false;
    }
}

}  // namespace

int verify_files(IsoDataSource* source, const std::vector<ProjectFile>& files, VerifyEvents& events,
                 const std::atomic<bool>& stop) {
    IsoReadOpts* options = nullptr;
    if (iso_read_opts_new(&options, 0) < 0) return -1;
    IsoImageFilesystem* fs = nullptr;
    const int made = iso_image_filesystem_new(source, options, 0x1fffff, &fs);
    iso_read_opts_free(options);
    if (made < 0) return -1;
    fs->open(fs);
    int differences = 0;
    for (const ProjectFile& file : files) {
        if (stop.load()) break;
        events.file(file);
        if (!same_content(fs, file, stop)) {
            ++differences;
            events.difference(file);
        }
    }
    fs->close(fs);
    iso_filesystem_unref(fs);
    return differences;
}

}  // namespace brimburn
