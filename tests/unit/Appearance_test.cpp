#include "payload/Appearance.h"

#include <gtest/gtest.h>

TEST(Appearance, MegabyteText)
{
    const std::pair<double, const char*> cases[] = {
        {1.5 * 1048576, "1.50"},
        {20.0 * 1048576, "20.0"},
        {0.5 * 1048576, "0.500"},
        {0, "0.000"},
        {-5, "0.000"},
        {10.0 * 1048576, "10.00"},
        {1048576, "1.00"},
        {1234567890, "1177.4"},
        // Exact halves round to the even digit, as printf does; just below ten gives 10.00.
        {65536, "0.062"},
        {196608, "0.188"},
        {10485759, "10.00"},
        {1e300, "1000000000000000.0"}};
    for (auto [bytes, text] : cases)
        EXPECT_EQ(MegabyteText(bytes), text) << bytes;
}

TEST(Appearance, RoomierDriveNeedsStrictlyMoreSpace)
{
    struct Case {
        char temp;
        double c, d, e;
        char best;
    };
    const Case cases[] = {
        {'c', 100, 50, 200, 'E'}, {'C', 100, 100, 100, 'C'}, {'D', 100, 100, 0, 'C'},
        {'C', 0, 0, 0, 'C'},      {'E', 10, 300, 300, 'D'},  {'F', 0, 0, 0, 'F'},
    };
    for (const Case& c : cases) {
        const double free[3] = {c.c, c.d, c.e};
        EXPECT_EQ(RoomierDrive(c.temp, free), c.best) << c.temp << " " << c.c << " " << c.d << " " << c.e;
    }
}
