#pragma once
// Runs a test once on the accelerated code and once on the portable code.
#include <string>

#include <gtest/gtest.h>

#include "core/security/cpu_features.h"

namespace brim_test {

enum class CryptoPath { accelerated, portable };

class BothPaths : public testing::TestWithParam<CryptoPath> {
protected:
    void SetUp() override { brim::force_portable_crypto(GetParam() == CryptoPath::portable); }
    void TearDown() override { brim::force_portable_crypto(false); }
};

inline std::string path_name(const testing::TestParamInfo<CryptoPath>& info) {
    return info.param == CryptoPath::accelerated ? "Accelerated" : "Portable";
}

}  // namespace brim_test

#define BRIM_INSTANTIATE_BOTH_PATHS(Suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Paths, Suite,                                                                \
                             testing::Values(brim_test::CryptoPath::accelerated,                          \
                                             brim_test::CryptoPath::portable),                            \
                             brim_test::path_name)
