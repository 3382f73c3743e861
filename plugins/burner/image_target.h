#pragma once
// The image-file target: the stream goes to a temporary file beside the
// destination, which replaces the destination only once it is complete.
#include <string>

#include "plugins/burner/write_target.h"

namespace brimburn {

class ImageTarget final : public WriteTarget {
public:
    explicit ImageTarget(std::string path) : path_(std::move(path)) {}

    std::int32_t write(burn_source* source, std::uint64_t total, WriteControl& control) override;
    IsoDataSource* read_back() override;

private:
    std::string path_;
};

}  // namespace brimburn
