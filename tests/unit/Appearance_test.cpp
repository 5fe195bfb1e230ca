#include "payload/Appearance.h"

#include <gtest/gtest.h>

TEST(Appearance, MegabyteText)
{
    const std::pair<double, const char*> cases[] = {
        {1.5 * 1048576, "1.50"}, {20.0 * 1048576, "20.0"}, {0.5 * 1048576, "0.500"}, {0, "0.000"},
        {-5, "0.000"},           {10.0 * 1048576, "10.00"}, {1048576, "1.00"},       {1234567890, "1177.4"}};
    for (auto [bytes, text] : cases)
        EXPECT_EQ(MegabyteText(bytes), text) << bytes;
}
