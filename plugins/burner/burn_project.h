#pragma once
// The tree of one data disc: directories and files by their paths on the
// disc, held as an image-library image that the writers turn into bytes.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <libisofs/libisofs.h>

namespace brimburn {

// A file of the project, kept for reading it back after writing.
struct ProjectFile {
    std::string source_path;
    std::string disc_path;
    std::uint64_t size = 0;
};

class BurnProject final {
public:
    // Called on the image writer's thread each time a file's data is opened.
    using OpenHook = void (*)(void* context, const char* source_path);

    BurnProject(OpenHook hook, void* hook_context);
    ~BurnProject();
    BurnProject(const BurnProject&) = delete;
    BurnProject& operator=(const BurnProject&) = delete;

    // Adds the directory `disc_path` ("/a/b/", its parent must exist; the
    // root "/" always does). A source directory, when given, lends its
    // permissions and times. Returns a BURNER_E_* code.
    std::int32_t add_directory(const std::string& disc_path, const std::string& source_path);
    // Adds the regular file `source_path` as `disc_path`; its size is taken
    // now. Returns a BURNER_E_* code; `size` receives the file's length.
    std::int32_t add_file(const std::string& source_path, const std::string& disc_path, std::uint64_t& size);
    // Sets the identifiers written into the volume descriptors.
    void set_identifiers(const std::string& volume, const std::string& publisher, const std::string& preparer,
                         const std::string& application);

    IsoImage* image() const { return image_; }
    const std::vector<ProjectFile>& files() const { return files_; }
    bool empty() const { return files_.empty() && directories_.size() == 1; }

private:
    // The parent directory of `disc_path` and its last name, or null.
    IsoDir* parent_of(const std::string& disc_path, std::string& name) const;

    IsoImage* image_ = nullptr;
    OpenHook hook_;
    void* hook_context_;
    std::map<std::string, IsoDir*> directories_;  // "/" and "/a/b" without trailing '/'
    std::vector<ProjectFile> files_;
};

// The longest prefix of `text` of at most `bytes` bytes that does not cut a
// UTF-8 sequence.
std::string utf8_prefix(const std::string& text, std::size_t bytes);

}  // namespace brimburn
