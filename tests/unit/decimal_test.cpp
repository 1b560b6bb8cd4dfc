#include <climits>

#include <gtest/gtest.h>

#include "platform/decimal.h"

namespace zelvane {
namespace {

TEST(DecimalTest, WritesEveryWholeNumberAsToWstringWould) {
    for (const long long value : {0LL, 7LL, 10LL, -1018LL, 536870913LL, LLONG_MAX, LLONG_MIN}) {
        EXPECT_EQ(Decimal(value), std::to_wstring(value));
    }
}

}  // namespace
}  // namespace zelvane
