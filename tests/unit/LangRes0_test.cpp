#include "ui/LangRes0.h"

#include <gtest/gtest.h>

namespace {

TEST(LangRes0, UnwrapLanguageValue)
{
    struct Row { std::string value, result; };
    for (const Row& r : {Row{"|  Hello|", "  Hello"}, Row{"|", ""}, Row{"||", ""}, Row{"|a", "|a"}, Row{"a|", "a|"},
                         Row{"plain", "plain"}, Row{"||x||", "|x|"}, Row{"", ""}}) {
        EXPECT_EQ(UnwrapLanguageValue(r.value), r.result) << r.value;
    }
}

}  // namespace
