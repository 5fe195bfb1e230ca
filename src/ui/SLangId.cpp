// The language name table: Windows language numbers to the names that select a block
// of the payload's language table.
#include "ui/SLangId.h"

#include "util/KSUB.h"
#include "util/Utils.h"

// Two-digit numbers are primary language numbers; four-digit ones complete language
// identifiers. The spellings are the table's own.
const char* const kLanguageNameTable = "|"
                                       "AFRIKAANS    = 54|"
                                       "ALBANIAN     = 28|"
                                       "ARABIC       = 01|"
                                       "BASQUE       = 45|"
                                       "BELARUSIAN   = 35|"
                                       "BULGARIAN    = 02|"
                                       "CATALAN      = 03|"
                                       "CHINESE      = 04|"
                                       "CROATIAN     = 26|"
                                       "CZECH        = 05|"
                                       "DANISH       = 06|"
                                       "DUTCH        = 19|"
                                       "ENGLISH      = 09|"
                                       "ESTONIAN     = 37|"
                                       "FAEROESE     = 56|"
                                       "FARSI        = 41|"
                                       "FINNISH      = 11|"
                                       "FRENCH       = 12|"
                                       "GERMAN       = 07|"
                                       "GREEK        = 08|"
                                       "HEBREW       = 13|"
                                       "HUNGARIAN    = 14|"
                                       "ICELANDIC    = 15|"
                                       "INDONESIAN   = 33|"
                                       "ITALIAN      = 16|"
                                       "JAPANESE     = 17|"
                                       "KOREAN       = 18|"
                                       "LATVIAN      = 38|"
                                       "LITHUANIAN   = 39|"
                                       "NORWEGIAN    = 20|"
                                       "POLISH       = 21|"
                                       "PORTUGUESE   = 22|"
                                       "ROMANIAN     = 24|"
                                       "RUSSIAN      = 25|"
                                       "SERBIAN      = 26|"
                                       "SLOVAK       = 27|"
                                       "SLOVENIAN    = 36|"
                                       "SPANISH      = 10|"
                                       "SWEDISH      = 29|"
                                       "THAI         = 30|"
                                       "TURKISH      = 31|"
                                       "UKRAINIAN    = 34|"
                                       "VIETNAMESE   = 42|"
                                       "CHINESE(SIMPLIFIED)  = 2052|"
                                       "CHINESE(TRADITIONAL) = 1028|"
                                       "DUTCH(FLEMISH)       = 2067|"
                                       "DUTCH(STANDARD)      = 1043|"
                                       "PORTUGUESE(PORTUGAL) = 2070|"
                                       "PORTUGUESE(BRAZIL)   = 1046|"
                                       "SERBIAN(LATIN)       = 2074|"
                                       "SERBIAN(CYRILIC)     = 3098|";

std::string LanguageName(int number)
{
    std::string text = std::to_string(number);
    if (text.size() == 1)
        text.insert(0, "0");
    const std::string table = kLanguageNameTable;
    int count = SUB::ListCount(table);
    // Containment, not equality: 43 finds DUTCH(STANDARD) through 1043.
    for (int i = 0; i < count; ++i) {
        std::string item = SUB::ListItem(table, i, "");
        if (item.find(text) != std::string::npos)
            return TrimText(TextBefore(item, "=", item));
    }
    return {};
}
