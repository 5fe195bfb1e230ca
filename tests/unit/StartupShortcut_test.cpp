#include "launcher/StartupShortcut.h"

#include <gtest/gtest.h>

namespace {

TEST(StartupShortcut, OnlyAShortcutRightInAStartupFolder)
{
    const std::string user = "C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    const std::string all = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp\\";
    const std::vector<std::string> folders{user, all, ""};
    struct Row {
        std::string path;
        bool removable;
    };
    for (const Row& r : {
             Row{user + "\\Product Agent.lnk", true},
             Row{"c:\\users\\ann\\appdata\\roaming\\microsoft\\windows\\start menu\\programs\\startup\\a.LNK", true},
             Row{all + "Product.lnk", true},
             Row{user + "\\.lnk", false},                        // no name
             Row{user + "\\thesis.docx", false},                 // no shortcut
             Row{user + "\\sub\\Product.lnk", false},            // not right inside
             Row{user + "\\..\\Product.lnk", false},             // climbs out
             Row{user + "\\.\\Product.lnk", false},              //
             Row{user + "\\notes.txt:x.lnk", false},             // a stream of another file
             Row{user + "\\*.lnk", false},                       // a wildcard
             Row{user + "/Product.lnk", false},                  //
             Row{"C:\\Users\\Ann\\Documents\\notes.lnk", false}, // another folder
             Row{"Product.lnk", false},                          // relative
             Row{"", false},
         }) {
        EXPECT_EQ(IsStartupShortcut(r.path, folders), r.removable) << r.path;
    }
    EXPECT_FALSE(IsStartupShortcut("\\Product.lnk", {""}));
}

} // namespace
