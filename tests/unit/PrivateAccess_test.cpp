#include "util/PrivateAccess.h"

#include <gtest/gtest.h>

namespace {

TEST(PrivateAccess, OnlySystemTheAdministratorsAndAnUnelevatedUser)
{
    const std::string sid = "S-1-5-21-1-2-3-1001";
    struct Row {
        std::string user;
        bool elevated;
        std::string sddl;
    };
    // Protected (P): nothing from the parent; OICI: everything made inside inherits it.
    for (const Row& r : {Row{sid, false, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-1-2-3-1001)"},
                         Row{sid, true, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"},
                         Row{"", false, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"}}) {
        EXPECT_EQ(PrivateAccessSddl(r.user, r.elevated), r.sddl) << r.user << " " << r.elevated;
    }
}

TEST(PrivateAccess, RandomNamesShowEveryByte)
{
    const std::uint8_t bytes[8] = {0x00, 0x01, 0x7f, 0x80, 0xab, 0xcd, 0xef, 0xff};
    EXPECT_EQ(RandomName("SETUP_", bytes), "SETUP_00017F80ABCDEFFF");
    const std::uint8_t zero[8] = {};
    EXPECT_EQ(RandomName("", zero), "0000000000000000");
}

} // namespace
