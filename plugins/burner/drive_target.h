#pragma once
// The optical-drive target: lists the drives the disc library finds and
// writes the image as one data track of a single session on a blank disc.
#include <string>
#include <vector>

#include "plugins/burner/write_target.h"

namespace burn {  // where the disc library's C++ declarations live
struct burn_drive;
struct burn_drive_info;
}  // namespace burn

namespace brimburn {

// The device addresses of the optical drives ("/dev/sr0"), in the library's order.
std::vector<std::string> list_drives();

class DriveTarget final : public WriteTarget {
public:
    // Options: BURNER_OPT_* flags and the write speed (0: the best).
    DriveTarget(std::string address, unsigned flags, int speed_kbps);
    ~DriveTarget() override;
    DriveTarget(const DriveTarget&) = delete;
    DriveTarget& operator=(const DriveTarget&) = delete;

    std::int32_t write(burn_source* source, std::uint64_t total, WriteControl& control) override;
    IsoDataSource* read_back() override;
    void finish() override;

private:
    std::int32_t grab();

    std::string address_;
    unsigned flags_;
    int speed_kbps_;
    burn::burn_drive_info* info_ = nullptr;
    burn::burn_drive* drive_ = nullptr;
};

}  // namespace brimburn
