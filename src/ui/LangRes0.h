// The language file: "HELP\English\Kalvex.language.ini" in the program's folder, whose
// section "STRINGS" supplies a few texts beyond the payload's language table.
#pragma once

#include <string>

constexpr const char* kLanguageFileName = "Kalvex.language.ini";
constexpr const char* kLanguageFileSection = "STRINGS";
// The error text for a runtime folder that cannot be found; "<?>" is its name.
constexpr const char* kRunTimeDirNotFoundKey = "RunTimeDir_01";
constexpr const char* kRunTimeDirNotFoundText = "RunTimeDir (<?>)<P><P>Not Found!";

// A value enclosed in "|" keeps the blanks at its ends: one "|" goes from each end, and
// a lone "|" is empty.
std::string UnwrapLanguageValue(const std::string& value);

// Windows only from here on.
// The folder below "HELP\": always "English".
const std::string& LanguageFolderName();
std::string LanguageFilePath();
// The unwrapped value; def when it is empty or missing.
std::string LanguageFileValue(const std::string& section, const std::string& key, const std::string& def);
// LanguageFileValue in "STRINGS" when the file exists, else def.
std::string LanguageFileString(const std::string& key, const std::string& def);
// LanguageFileString with every "<?>" replaced by insert.
std::string LanguageFileText(const std::string& key, const std::string& def, const std::string& insert);
