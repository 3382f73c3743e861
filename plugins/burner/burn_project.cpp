#include "plugins/burner/burn_project.h"

#include <stdexcept>
#include <sys/stat.h>

#include "plugins/burner/burner_api.h"
#include "plugins/burner/notifying_stream.h"

namespace brimburn {
namespace {

// ISO 9660 keeps 32 bytes of the volume identifier and 128 of the others.
constexpr std::size_t volume_id_bytes = 32;
constexpr std::size_t other_id_bytes = 128;

std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

void copy_attributes(IsoNode* node, const struct stat& st) {
    iso_node_set_permissions(node, st.st_mode & 07777);
    iso_node_set_uid(node, st.st_uid);
    iso_node_set_gid(node, st.st_gid);
    iso_node_set_mtime(node, st.st_mtime);
    iso_node_set_atime(node, st.st_atime);
    iso_node_set_ctime(node, st.st_ctime);
}

std::int32_t from_iso_error(int code) {
    if (code == static_cast<int>(ISO_NODE_NAME_NOT_UNIQUE)) return BURNER_E_EXISTS;
    if (code == static_cast<int>(ISO_OUT_OF_MEM)) return BURNER_E_MEMORY;
    if (code == static_cast<int>(ISO_RR_NAME_TOO_LONG)) return BURNER_E_TOO_LONG;
    return BURNER_E_IMAGE;
}

}  // namespace

std::string utf8_prefix(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

BurnProject::BurnProject(OpenHook hook, void* hook_context) : hook_(hook), hook_context_(hook_context) {
    if (iso_image_new("BRIMVAULT", &image_) < 0) throw std::runtime_error("image");
    // Sources are named one by one: nothing is followed or filtered.
    iso_tree_set_follow_symlinks(image_, 0);
    directories_["/"] = iso_image_get_root(image_);
}

BurnProject::~BurnProject() { iso_image_unref(image_); }

IsoDir* BurnProject::parent_of(const std::string& disc_path, std::string& name) const {
    const std::string path = without_trailing_slash(disc_path);
    const auto slash = path.rfind('/');
    if (path.empty() || path[0] != '/' || slash == std::string::npos || slash + 1 == path.size()) return nullptr;
    name = path.substr(slash + 1);
    if (name == "." || name == "..") return nullptr;
    const auto found = directories_.find(slash == 0 ? std::string("/") : path.substr(0, slash));
    return found == directories_.end() ? nullptr : found->second;
}

std::int32_t BurnProject::add_directory(const std::string& disc_path, const std::string& source_path) {
    if (without_trailing_slash(disc_path) == "/") return BURNER_OK;
    std::string name;
    IsoDir* parent = parent_of(disc_path, name);
    if (parent == nullptr) return disc_path.empty() || disc_path[0] != '/' ? BURNER_E_INVALID_ARGUMENT : BURNER_E_NO_PARENT;
    IsoDir* dir = nullptr;
    const int result = iso_image_add_new_dir(image_, parent, name.c_str(), &dir);
    if (result < 0) return from_iso_error(result);
    struct stat st;
    if (!source_path.empty() && ::stat(source_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        copy_attributes(reinterpret_cast<IsoNode*>(dir), st);
    directories_[without_trailing_slash(disc_path)] = dir;
    return BURNER_OK;
}

std::int32_t BurnProject::add_file(const std::string& source_path, const std::string& disc_path,
                                   std::uint64_t& size) {
    std::string name;
    IsoDir* parent = parent_of(disc_path, name);
    if (parent == nullptr || disc_path.back() == '/')
        return disc_path.empty() || disc_path[0] != '/' || disc_path.back() == '/' ? BURNER_E_INVALID_ARGUMENT
                                                                                   : BURNER_E_NO_PARENT;
    struct stat st;
    if (::stat(source_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return BURNER_E_SOURCE;
    IsoStream* stream = nullptr;
    int result = brimburn_stream_new(source_path.c_str(), st.st_size, hook_, hook_context_, &stream);
    if (result < 0) return from_iso_error(result);
    IsoFile* file = nullptr;
    result = iso_image_add_new_file(image_, parent, name.c_str(), stream, &file);
    if (result < 0) {
        iso_stream_unref(stream);  // on success the file took our reference
        return from_iso_error(result);
    }
    copy_attributes(reinterpret_cast<IsoNode*>(file), st);
    size = static_cast<std::uint64_t>(st.st_size);
    files_.push_back({source_path, disc_path, size});
    return BURNER_OK;
}

void BurnProject::set_identifiers(const std::string& volume, const std::string& publisher,
                                  const std::string& preparer, const std::string& application) {
    iso_image_set_volume_id(image_, utf8_prefix(volume, volume_id_bytes).c_str());
    iso_image_set_publisher_id(image_, utf8_prefix(publisher, other_id_bytes).c_str());
    iso_image_set_data_preparer_id(image_, utf8_prefix(preparer, other_id_bytes).c_str());
    iso_image_set_application_id(image_, utf8_prefix(application, other_id_bytes).c_str());
}

}  // namespace brimburn
