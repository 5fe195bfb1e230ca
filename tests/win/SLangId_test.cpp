#include "ui/SLangId.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(SLangId, SystemLanguageNameFollowsThreadLocale)
{
    LCID saved = ::GetThreadLocale();
    struct Row {
        LANGID language;
        std::string name;
    };
    for (const Row& r : {Row{0x0407, "GERMAN"}, Row{0x0409, "ENGLISH"}, Row{0x0804, "CHINESE"}}) {
        ASSERT_TRUE(::SetThreadLocale(MAKELCID(r.language, SORT_DEFAULT)));
        EXPECT_EQ(SystemLanguageName(), r.name) << r.language;
    }
    ::SetThreadLocale(saved);
}

} // namespace
