#include "agent/Process.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(Process, MatchesByFullPathBareNameOrExistingShortForms)
{
    const ProcessImage app{"C:\\Program Files\\App\\app.exe", "app.exe", "C:\\PROGRA~1\\App\\app.exe"};
    // Short names switched off: the system gives the long form back, or nothing.
    const ProcessImage other{"C:\\Other Dir\\other.exe", "other.exe", "C:\\Other Dir\\other.exe"};
    const ProcessImage noShort{"D:\\x\\tool.exe", "tool.exe", ""};
    struct Row {
        std::string path, shortPath;
        const ProcessImage& image;
        bool fullPathOnly, matches;
    };
    for (const Row& r : {
             Row{"C:\\Program Files\\App\\app.exe", "C:\\PROGRA~1\\App\\app.exe", app, true, true},
             Row{" c:\\program files\\app\\APP.EXE ", "", app, true, true},
             Row{"app.exe", "", app, false, true},
             Row{"app.exe", "", app, true, false},
             Row{"C:\\PROGRA~1\\App\\app.exe", "C:\\PROGRA~1\\App\\app.exe", app, true, true},
             Row{"C:\\Elsewhere\\app.exe", "C:\\ELSEWH~1\\app.exe", app, true, false},
             Row{"C:\\Other Dir\\x.exe", "C:\\Other Dir\\x.exe", other, true, false},
             Row{"D:\\y\\tool.exe", "", noShort, true, false}, // both short forms missing
             // The system's own name space prefixes name the same file.
             Row{"\\\\srv\\share\\app.exe", "", ProcessImage{"\\\\?\\UNC\\srv\\share\\app.exe", "app.exe", ""}, true,
                 true},
             Row{"\\\\?\\unc\\srv\\share\\app.exe", "", ProcessImage{"\\\\srv\\share\\app.exe", "app.exe", ""}, true,
                 true},
             Row{"D:\\x\\tool.exe", "", ProcessImage{"\\\\?\\D:\\x\\tool.exe", "tool.exe", ""}, true, true},
             Row{"\\\\srv\\other\\app.exe", "", ProcessImage{"\\\\?\\UNC\\srv\\share\\app.exe", "app.exe", ""}, true,
                 false},
             Row{"", "", noShort, false, false},
             Row{"  ", "", ProcessImage{"", "", ""}, false, false},
         }) {
        EXPECT_EQ(ProcessMatches(r.path, r.shortPath, r.image, r.fullPathOnly), r.matches)
            << r.path << " / " << r.image.fullName << " fullPathOnly=" << r.fullPathOnly;
    }
}

// A made-up window table: each window's owner, title and visibility.
struct Table {
    std::map<TAnalizer::Window, TAnalizer::Facts> windows;
    TAnalizer::Window Main(std::initializer_list<TAnalizer::Window> recorded) const
    {
        TAnalizer a;
        a.Reset();
        for (auto w : recorded)
            a.Record(w);
        return a.MainWindow([this](TAnalizer::Window w) {
            auto it = windows.find(w);
            return it == windows.end() ? TAnalizer::Facts{} : it->second;
        });
    }
};

TEST(Process, MainWindowIsTheRootOwnerOfTheProcessWindows)
{
    Table t;
    t.windows[10] = {0, true, true};    // main window
    t.windows[11] = {10, true, true};   // a dialog it owns
    t.windows[12] = {11, false, false}; // owned by the dialog: its root owner is 10
    t.windows[13] = {0, true, true};    // a second plain window, recorded first
    EXPECT_EQ(t.Main({13, 11, 12, 10}), 10u);
    // Without owned windows, title outweighs visibility and the first recorded wins a tie.
    EXPECT_EQ(t.Main({13, 10}), 13u);
    t.windows[20] = {0, false, true};
    t.windows[21] = {0, true, false};
    EXPECT_EQ(t.Main({20, 21}), 21u);
}

TEST(Process, NoMainWindowAmongInvisibleUntitledWindows)
{
    Table t;
    t.windows[30] = {0, false, false};
    t.windows[31] = {99, false, false}; // owned by a window of another process
    EXPECT_EQ(t.Main({30, 31}), 0u);
    EXPECT_EQ(t.Main({}), 0u);
}

TEST(Process, AnOwnerLoopEndsAndFurtherWindowsAreIgnored)
{
    Table t;
    t.windows[40] = {41, true, true};
    t.windows[41] = {40, false, false};
    EXPECT_NE(t.Main({40, 41}), 0u);

    TAnalizer a;
    a.Reset();
    a.SetProcessId(7);
    for (TAnalizer::Window w = 1; w <= TAnalizer::kCapacity + 5; ++w)
        a.Record(w);
    EXPECT_EQ(a.Count(), TAnalizer::kCapacity);
    EXPECT_EQ(a.ProcessId(), 7u);
    // Only the last window (past the capacity) would be titled: it was never recorded.
    const auto last = static_cast<TAnalizer::Window>(TAnalizer::kCapacity + 5);
    EXPECT_EQ(a.MainWindow([&](TAnalizer::Window w) { return TAnalizer::Facts{0, w == last, false}; }), 0u);
    a.Reset();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.ProcessId(), 0u);
}

} // namespace
