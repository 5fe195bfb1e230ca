#include "ui/SLangId.h"

#include <gtest/gtest.h>

#include "util/KSUB.h"

namespace {

TEST(SLangId, LanguageName)
{
    struct Row {
        int number;
        std::string name;
    };
    for (const Row& r : {Row{9, "ENGLISH"}, Row{7, "GERMAN"}, Row{26, "CROATIAN"}, Row{2052, "CHINESE(SIMPLIFIED)"},
                         Row{43, "DUTCH(STANDARD)"}, Row{52, "CHINESE(SIMPLIFIED)"}, Row{3098, "SERBIAN(CYRILIC)"},
                         Row{54, "AFRIKAANS"}, Row{1, "ARABIC"}, Row{0, ""}, Row{1033, ""}, Row{99, ""}}) {
        EXPECT_EQ(LanguageName(r.number), r.name) << r.number;
    }
}

TEST(SLangId, TableLayout)
{
    const std::string table = kLanguageNameTable;
    EXPECT_EQ(table.rfind("|AFRIKAANS    = 54|ALBANIAN     = 28|ARABIC       = 01|", 0), 0u);
    ASSERT_EQ(SUB::ListCount(table), 51);
    for (int i = 0; i < 51; ++i) {
        std::string item = SUB::ListItem(table, i, "");
        std::size_t number = item.size() - item.find("= ") - 2;
        EXPECT_EQ(item.find('='), number == 2 ? 13u : 21u) << item;
    }
    EXPECT_EQ(SUB::ListItem(table, 50, ""), "SERBIAN(CYRILIC)     = 3098");
}

} // namespace
