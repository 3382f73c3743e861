#include "core/archive/data_header.h"

namespace brim {

bk::String DataHeader::full_path() const {
    if (is_directory() || parent_ == nullptr || parent_->name_.empty()) return name_;
    const bk::String& dir = parent_->name_;
    return dir.back() == u'/' ? dir + name_ : dir + u'/' + name_;
}

DataHeader& DataHeader::add_directory(std::unique_ptr<DataHeader> child) {
    child->parent_ = this;
    directories_.push_back(std::move(child));
    return *directories_.back();
}

DataHeader& DataHeader::add_file(std::unique_ptr<DataHeader> child) {
    child->parent_ = this;
    files_.push_back(std::move(child));
    return *files_.back();
}

}  // namespace brim
