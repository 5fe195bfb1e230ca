// The language file on Windows.
#include <windows.h>

#include "ui/LangRes0.h"
#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

const std::string& LanguageFolderName()
{
    static const std::string name = "English";
    return name;
}

std::string LanguageFilePath()
{
    return ProgramFolder(true) + "HELP\\" + LanguageFolderName() + "\\" + kLanguageFileName;
}

std::string LanguageFileValue(const std::string& section, const std::string& key, const std::string& def)
{
    std::string value = UnwrapLanguageValue(ReadIniString(LanguageFilePath(), section, key, ""));
    return value.empty() ? def : value;
}

std::string LanguageFileString(const std::string& key, const std::string& def)
{
    if (!PathExists(LanguageFilePath())) return def;
    return LanguageFileValue(kLanguageFileSection, key, def);
}

std::string LanguageFileText(const std::string& key, const std::string& def, const std::string& insert)
{
    return ReplaceAll(LanguageFileString(key, def), "<?>", insert);
}
