#pragma once

// Tests of what both following methods must do alike run once with each:
// a value-parameterised suite instantiated with kBothMethods, named by MethodName.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "music/following_method.h"

namespace ostinel {

// GoogleTest prints a failing test's parameter with this.
inline void PrintTo(FollowingMethod method, std::ostream* out) {
    *out << FollowingMethodName(method);
}

namespace testing {

inline const auto kBothMethods =
    ::testing::Values(FollowingMethod::Matching, FollowingMethod::Probability);
inline const auto kMatchingOnly = ::testing::Values(FollowingMethod::Matching);

inline std::string MethodName(const ::testing::TestParamInfo<FollowingMethod>& info) {
    return std::string(FollowingMethodName(info.param));
}

}  // namespace testing
}  // namespace ostinel
