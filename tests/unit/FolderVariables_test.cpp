#include "payload/FolderVariables.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A made-up machine with a fixed clock; the full path of p is shown as "FULL(p)".
struct FakeSystem {
    std::map<SystemValue, std::string> values{
        {SystemValue::LoggedUserName, " ann "},
        {SystemValue::UserName, "Ann Owner "},
        {SystemValue::CompanyName, "  Morbrook"},
        {SystemValue::ComputerName, "BOX"},
        {SystemValue::CurrentDomainName, "DOM"},
        {SystemValue::WindowsFolder, "C:\\WINDOWS\\"},
        {SystemValue::SystemFolder, "C:\\WINDOWS\\system32"},
        {SystemValue::System16Folder, "C:\\WINDOWS\\system"},
        {SystemValue::LauncherFolder, "E:\\setup"},
        {SystemValue::OriginFolder, "F:\\cd"},
        {SystemValue::TempFolder, "C:\\Temp\\"},
        {SystemValue::StartMenuFolder, "C:\\Start"},
        {SystemValue::ProgramFilesFolder, "C:\\Program Files"},
        {SystemValue::CommonFilesFolder, "C:\\Program Files\\Common Files"},
        {SystemValue::NativeProgramFilesFolder, "C:\\Program Files (native)"},
        {SystemValue::NativeCommonFilesFolder, "C:\\Program Files (native)\\Common Files"},
        {SystemValue::FontFolder, "C:\\WINDOWS\\Fonts"},
    };
    std::map<SpecialFolder, std::string> specials{{SpecialFolder::MyDocuments, "C:\\Users\\Ann\\Documents"},
                                                  {SpecialFolder::AllUsers, "C:\\"}};
    DateTime now{2026, 12, 10, 14, 5, 9};

    VariableSource Source()
    {
        VariableSource s;
        s.value = [this](SystemValue v) { return values[v]; };
        s.specialFolder = [this](SpecialFolder f) { return specials[f]; };
        s.now = [this] { return now; };
        s.longMonthName = [](int month) { return month == 12 ? std::string("December") : std::string("January"); };
        s.dateSeparator = [] { return std::string("."); };
        s.fullPath = [](const std::string& p) { return "FULL(" + p + ")"; };
        return s;
    }
    std::string Expand(const std::string& text, bool paths = true, bool resolve = false)
    {
        return ExpandVariables(text, "\\", paths, resolve, Source());
    }
};

struct FolderVariables : ::testing::Test {
    void SetUp() override { SetInstallFolders("C:\\Prog", "C:\\Shared", "C:\\Aux"); }
    void TearDown() override { SetInstallFolders("", "", ""); }
    FakeSystem system;
};

struct Row {
    std::string text, expanded;
};

TEST_F(FolderVariables, FolderSuffixIsDecidedAtTheFirstOccurrence)
{
    for (const Row& r : {
             Row{"<InstallDir>app.exe", "C:\\Prog\\app.exe"},
             Row{"<InstallDir>", "C:\\Prog"},
             Row{"<INSTALLDIR> -x", "C:\\Prog -x"},
             Row{"|<InstallDir>|<WinDir>|", "|C:\\Prog|C:\\WINDOWS|"},
             Row{",<InstallCommonDir>,<InstallAuxDir>,", ",C:\\Shared,C:\\Aux,"},
             Row{"<InstallDir> <InstallDir>x", "C:\\Prog C:\\Progx"},
             Row{"<InstallDir>x <InstallDir>", "C:\\Prog\\x C:\\Prog\\"},
             Row{"<InstallDir><WinDir>", "C:\\Prog\\C:\\WINDOWS"}, // "<" never ends a field
             Row{"a<InstallDir>a", "aC:\\Prog\\a"},                // nor does a letter
             Row{"|<InstallDir>|x", "|C:\\Prog\\|x"},              // not a closed list
             Row{"<InstallDir>\\app.exe", "C:\\Prog\\app.exe"},    // doubled separators collapse
             Row{"<TempDir>x.tmp", "C:\\Temp\\x.tmp"},             // the system's trailing one is dropped first
             Row{"<MyDocumentsDir>a.txt", "C:\\Users\\Ann\\Documents\\a.txt"},
             Row{"<AllUsersDir>", "C:"},
         }) {
        EXPECT_EQ(system.Expand(r.text), r.expanded) << r.text;
    }
}

TEST_F(FolderVariables, OlderNamesRemoveTheNewerInstallNames)
{
    for (const Row& r : {
             Row{"<Application Folder>x <InstallDir>y", "C:\\Prog\\x y"},
             Row{"<Common Folder>a<InstallCommonDir><InstallAuxDir>", "C:\\Shared\\a"},
             Row{"<Windows Directory> <InstallDir>", "C:\\WINDOWS "},
             // An expanded identity name is no older folder name.
             Row{"<ComputerName> <InstallDir>", "BOX C:\\Prog"},
             Row{"<System Directory>;<System16 Directory>", "C:\\WINDOWS\\system32\\;C:\\WINDOWS\\system"},
         }) {
        EXPECT_EQ(system.Expand(r.text), r.expanded) << r.text;
    }
}

TEST_F(FolderVariables, DrivesDisksAndTheOtherFolders)
{
    SetInstallFolders("D:\\Apps", "", "");
    for (const Row& r : {
             Row{"<InstallDrive>", "D:\\"},
             Row{"<InstallDisk>", "D:"},
             Row{"<WinDrive>x", "C:\\x"},
             Row{"<WinSysDisk>x", "C:x"},
             Row{"<OriginDrive>", "F:\\"},
             Row{"<OriginDisk>", "F:"},
             Row{"<SrcDir>a", "E:\\setup\\a"},
             Row{"<ServiceDir>", "E:\\setup"},
             Row{"<OriginDir>a", "F:\\cd\\a"},
             Row{"<ProgramFilesDir>x", "C:\\Program Files\\x"},
             Row{"<CommonFilesDir>", "C:\\Program Files\\Common Files"},
             Row{"<NativeProgramFilesDir>x", "C:\\Program Files (native)\\x"},
             Row{"<NativeCommonFilesDir>", "C:\\Program Files (native)\\Common Files"},
             Row{"<ProgramFilesDir>|<NativeProgramFilesDir>", "C:\\Program Files\\|C:\\Program Files (native)"},
             Row{"<StartMenuDir>", "C:\\Start"},
             Row{"<FontDir>a.ttf", "C:\\WINDOWS\\Fonts\\a.ttf"},
             Row{"<WinSys32Dir>a", "C:\\WINDOWS\\system32\\a"},
             Row{"<WinSys16Dir>a", "C:\\WINDOWS\\system\\a"},
             Row{"<RunTimeDir_1>", ""},
             Row{"<RunTimeDir_8>", ""},
             Row{"<RunTimeDir_9>", "<RunTimeDir_9>"},
             Row{"<UnInstallExePath>x<AbsoluteDir>", "x"},
             Row{"<NoSuchName>", "<NoSuchName>"},
         }) {
        EXPECT_EQ(system.Expand(r.text), r.expanded) << r.text;
    }
}

TEST_F(FolderVariables, IdentityNeedsNoPathVariables)
{
    for (const Row& r : {
             Row{"<LoggedUserName>/<UserName>/<CompanyName>", "ann/Ann Owner/Morbrook"},
             Row{"<ComputerName>@<CurrentDomainName>", "BOX@DOM"},
             Row{"<LastExecutableExitCode>,<ReqFreeDiskSpaceMB>", "0,0"},
             Row{"<EnteredUserName><EnteredCompanyName><EnteredStartProgramMenu><VendorCompanyName>x", "x"},
             Row{"<ProjectName><ProgramDescriptiveName><ProgramVersion><SelectedLanguage>y", "y"},
             Row{"<InstallDir>\\\\<WinDir>", "<InstallDir>\\\\<WinDir>"}, // folders and clean-up stay off
         }) {
        EXPECT_EQ(system.Expand(r.text, false), r.expanded) << r.text;
    }
}

TEST_F(FolderVariables, AValueHoldingALaterNameIsExpandedAgain)
{
    SetInstallFolders("<WinDir>\\App", "", "");
    EXPECT_EQ(system.Expand("<InstallDir>a.exe"), "C:\\WINDOWS\\App\\a.exe");
    // Special folders come last: a name they hold that came earlier stays.
    system.specials[SpecialFolder::MyDocuments] = "<WinDir>\\Docs";
    EXPECT_EQ(system.Expand("<MyDocumentsDir>"), "<WinDir>\\Docs");
}

TEST_F(FolderVariables, DateCodes)
{
    for (const Row& r : {
             Row{"<Date=#>", "10.December.2026"},
             Row{"<Date=1>", "10-12-26"},
             Row{"<Date=2>", "12-10-26"},
             Row{"<Date=3>", "26-12-10"},
             Row{"<Date=4>", "10-12-2026"},
             Row{"<Date=5>", "12-10-2026"},
             Row{"<date=6>", "2026-12-10"},
             Row{"<Date=7>", "2026-12-10 14:05:09"},
             Row{"a<Date=6>b<Date=6>", "a2026-12-10b<Date=6>"}, // only the first
             Row{"<Date=9>", "<Date=9>"},
             Row{"<Date=6", "<Date=6"},
             Row{"<Date=>", "<Date=>"},
             Row{"<Date=6x>", "<Date=6x>"},
         }) {
        EXPECT_EQ(system.Expand(r.text, false), r.expanded) << r.text;
    }
    system.now = DateTime{2000, 1, 2, 23, 59, 59};
    EXPECT_EQ(system.Expand("<Date=0>", false), "1");
    system.now = DateTime{2000, 1, 1, 0, 0, 0};
    EXPECT_EQ(system.Expand("<Date=0>", false), "0");
    system.now = DateTime{2026, 12, 10, 0, 0, 0};
    EXPECT_EQ(system.Expand("<Date=0>", false), "9840");
}

TEST_F(FolderVariables, RelativePathsResolveWholeOrItemByItem)
{
    for (const Row& r : {
             Row{"<InstallDir>..\\app.exe", "FULL(C:\\Prog\\..\\app.exe)"},
             Row{"C:\\a\\..", "FULL(C:\\a\\..)"}, // no "<": only the resolution runs
             Row{"|C:\\a\\..\\b|C:\\c|..\\d|", "|FULL(C:\\a\\..\\b)|C:\\c|FULL(..\\d)|"},
             Row{",x\\..\\y,,", ",FULL(x\\..\\y),,"},
             Row{"|x\\..\\y", "FULL(|x\\..\\y)"},   // not a closed list
             Row{";x\\..\\y;", "FULL(;x\\..\\y;)"}, // only "," and "|" lists
             Row{"C:\\a..b\\c", "C:\\a..b\\c"},
         }) {
        EXPECT_EQ(system.Expand(r.text, true, true), r.expanded) << r.text;
    }
    EXPECT_EQ(system.Expand("C:\\a\\..\\b", true, false), "C:\\a\\..\\b");
}

TEST_F(FolderVariables, APathTheSystemCannotResolveStays)
{
    VariableSource source = system.Source();
    source.fullPath = [](const std::string&) { return std::string(); };
    EXPECT_EQ(ExpandVariables("|a\\..\\b|", "\\", true, true, source), "|a\\..\\b|");
    EXPECT_EQ(ExpandVariables("a\\..\\b", "\\", true, true, source), "a\\..\\b");
}

TEST_F(FolderVariables, ValuesAreAskedOnlyForNamesThatOccur)
{
    VariableSource source = system.Source();
    int asked = 0;
    source.value = [&](SystemValue) {
        ++asked;
        return std::string("X");
    };
    source.specialFolder = [&](SpecialFolder) {
        ++asked;
        return std::string("Y");
    };
    EXPECT_EQ(ExpandVariables("<InstallDir>a", "\\", true, false, source), "C:\\Prog\\a");
    EXPECT_EQ(asked, 0);
}

} // namespace
