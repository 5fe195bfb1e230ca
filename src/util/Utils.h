// Text, number, date and command-line helpers of the launcher (portable part).
// Texts are 8-bit ANSI strings; positions are 1-based and 0 means "not found".
// Every operation returns a new value and leaves its inputs unchanged.
// The operations that ask Windows (program and system folders, the user's separators)
// are declared in util/UtilsWin.h; the command line's switches in util/CommandLine.h.
#pragma once

#include <cstdint>
#include <string>

// <commdlg.h> maps this name to its own ANSI/wide pair; ours is a text helper.
#ifdef ReplaceText
#undef ReplaceText
#endif

// --- Case and blanks ---------------------------------------------------------
// The one rule for ignoring case: compare copies made by UpperText, upper-cased with
// the system's rules for its ANSI code page (CodePage.h).
std::string UpperText(const std::string& text);
// Removes leading and trailing blanks and control characters (codes 0 to 32).
std::string TrimText(const std::string& text);

// --- Search and replace ------------------------------------------------------
// Replaces the first-th to the last-th occurrence of find (see Utils.cpp).
// first = 0 and last = 0 replace all; first = n, last = 0 only the n-th.
std::string ReplaceText(const std::string& text, const std::string& find, const std::string& replacement, int last,
                        int first, bool ignoreCase);
std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement);
std::string ReplaceAllCI(const std::string& text, const std::string& find, const std::string& replacement);
int PosCI(const std::string& sub, const std::string& text);
// First occurrence beginning at or after start (start <= 1 searches everything).
int PosFrom(const std::string& sub, const std::string& text, int start, bool ignoreCase);
int LastPos(const std::string& sub, const std::string& text);
bool StartsWith(const std::string& prefix, const std::string& text, bool ignoreCase);
bool EndsWith(const std::string& suffix, const std::string& text, bool ignoreCase);
bool SameTextTrimmed(const std::string& a, const std::string& b);
std::string TextBefore(const std::string& text, const std::string& separator, const std::string& def);
std::string ReplaceChar(const std::string& text, char from, char to);
// Keeps the characters in (allowed minus removed); an empty allowed set allows all.
std::string FilterChars(const std::string& text, const std::string& allowed, const std::string& removed);

// --- Trimming, filling and choice ----------------------------------------------
std::string TrimChar(const std::string& text, char ch, bool force, bool onlyOne);
std::string TrimQuotes(const std::string& text, bool force);
// A width of -3 or less first cuts a longer text to |width| - 1 characters plus ".".
std::string PadLeft(const std::string& text, int width, char fill = ' ');
std::string ZeroPad(const std::string& text, int width);
std::string IntToZeroPad(int64_t value, int width);
std::string BoolText(bool flag);

// --- Numbers and sizes --------------------------------------------------------
std::string InsertThousands(const std::string& digits);
// decimals false: value / unit rounded up; true: one decimal, "." as the point.
std::string SizeText(int64_t value, int64_t unit, bool decimals, bool separators);
// printf's "%.*f", decimals from 0 to kMostFixedDecimals; the last digit rounded from the
// value times the power of ten (a value a hair below a half may round up), and "inf" for
// a value too large to scale.
constexpr int kMostFixedDecimals = 9;
std::string FixedText(double value, int decimals, const std::string& decimalSeparator = ".");
// Inclusive range; reseeded from the clock on every call.
int64_t RandomInRange(int64_t low, int64_t high);
// The finest clock at hand, in its own ticks (a seed, not a time): the system's
// performance counter on Windows (the C++ library's clock would bring its exception
// support into the launcher), the library's high-resolution clock elsewhere.
uint64_t FineClockTicks();
std::string RandomText(int64_t low, int64_t high);
// a + b, held at the type's limits: stored times and intervals can be anything, and
// their sum must not overflow.
int64_t SaturatingSum(int64_t a, int64_t b);
// Optional sign and decimal digits, surrounding blanks ignored; def on anything else.
int64_t ParseInt64(const std::string& text, int64_t def);
// The same rule; false (value untouched) when the text is not such a number.
bool TryParseInt64(const std::string& text, int64_t& value);
// Digits from "0123456789ABCDEF" in any case; -1 for any other character; "" gives 0.
int64_t ParseInBase(const std::string& text, int base);
int64_t ParseHex(const std::string& text);
std::string BytesToHex(const std::string& bytes, bool blanks, bool prefix);
// printf's "%0*llx": lower-case hex digits, zeros in front up to width.
std::string HexNumber(uint64_t value, int width);
std::string HexToBytes(const std::string& text);
// Strict form for keys and hashes: only pairs of hex digits (any case), nothing else;
// false (bytes untouched) otherwise.
bool StrictHexToBytes(const std::string& text, std::string& bytes);

// --- Dates and times (local time) ----------------------------------------------
struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};
// Day counts since 30 December 1899 (fraction = time of day), as the agent stores them.
DateTime DateTimeFromDays(double days);
double DaysFromDateTime(const DateTime& dt);
std::string DateText(const DateTime& dt);    // 05-MAR-2024
std::string DateTimeText(const DateTime& dt, // 05-MAR-2024 14:05:09
                         const std::string& timeSeparator = ":");
// "dd/mm/yy HH:NN:SS" with the given separators in place of "/" and ":".
std::string StampText(bool fourDigitYear, const DateTime& dt, const std::string& dateSeparator = "/",
                      const std::string& timeSeparator = ":");

// --- Paths --------------------------------------------------------------------
std::string WithBackslash(const std::string& path, bool add);
std::string WithoutBackslash(const std::string& path);
std::string CollapseBackslashes(const std::string& path, bool stripTrailing);
std::string FileTitle(const std::string& path, bool all);
// The file name part of a path (after the last "\", "/" or ":").
std::string FileNamePart(const std::string& path);
