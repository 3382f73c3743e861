#include "core/jobs/version.h"

#include <memory>
#include <mutex>

#include "core/core_strings.h"

namespace brim {
namespace {

std::mutex instance_mutex;
std::unique_ptr<Version> the_version;

}  // namespace

Version* Version::instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (!the_version) the_version.reset(new Version());
    return the_version.get();
}

void Version::del_instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    the_version.reset();
}

bk::String Version::version_string() const {
    const std::string text = std::to_string(major_) + "." + std::to_string(minor_) + "." + std::to_string(build_[0]);
    return bk::String(text.begin(), text.end());
}

std::int32_t Version::to_int() const { return major_ * 65536 + (minor_ & 0xFFFF); }

bool Version::support(std::int32_t major, std::int32_t) const { return major_ <= major; }

bool Version::support(std::uint32_t version_word) const {
    return major_ >= static_cast<std::int32_t>(version_word >> 16);
}

bool Version::support(bk::StringView text) const {
    if (text.empty() || text[0] < u'0' || text[0] > u'9') return false;
    return major_ <= text[0] - u'0';
}

bk::String Version::version_exception_string() { return core_string(139); }

}  // namespace brim
