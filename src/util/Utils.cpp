#include "util/Utils.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "util/CodePage.h"

namespace {

const char kDigits[] = "0123456789ABCDEF";
const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// 0-based index of sub in text at or after from, or npos; an empty sub is never found.
size_t Find(const std::string& sub, const std::string& text, size_t from, bool ignoreCase)
{
    if (sub.empty() || from >= text.size())
        return std::string::npos;
    if (!ignoreCase)
        return text.find(sub, from);
    return UpperText(text).find(UpperText(sub), from);
}

int ToPos(size_t index) { return index == std::string::npos ? 0 : static_cast<int>(index) + 1; }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// 30 December 1899 is day -25569 of the Unix day count.
const int64_t kDayZero = -25569;

std::string Two(int v) { return IntToZeroPad(v, 2); }

} // namespace

// --- Case and blanks ---------------------------------------------------------

std::string UpperText(const std::string& text)
{
    std::string r = text;
    UpperInPlace(r);
    return r;
}

std::string TrimText(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

// --- Search and replace ------------------------------------------------------

// Occurrences are found left to right in the (capitalised) search copy and the scan
// resumes after each match, so matches never overlap and never use replaced text.
std::string ReplaceText(const std::string& text, const std::string& find, const std::string& replacement, int last,
                        int first, bool ignoreCase)
{
    if (find.empty())
        return text;
    const std::string search = ignoreCase ? UpperText(text) : text;
    const std::string needle = ignoreCase ? UpperText(find) : find;
    if (last <= 0)
        last = first;

    std::string result;
    result.reserve(text.size());
    size_t from = 0;
    int counted = 0;
    for (;;) {
        const size_t at = search.find(needle, from);
        if (at == std::string::npos)
            break;
        ++counted;
        result.append(text, from, at - from);
        result.append(counted >= first ? replacement : text.substr(at, find.size()));
        from = at + find.size();
        if (last > 0 && counted >= last)
            break;
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement)
{
    return ReplaceText(text, find, replacement, 0, 0, false);
}

std::string ReplaceAllCI(const std::string& text, const std::string& find, const std::string& replacement)
{
    return ReplaceText(text, find, replacement, 0, 0, true);
}

int PosCI(const std::string& sub, const std::string& text) { return ToPos(Find(sub, text, 0, true)); }

int PosFrom(const std::string& sub, const std::string& text, int start, bool ignoreCase)
{
    const size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
    return ToPos(Find(sub, text, from, ignoreCase));
}

int LastPos(const std::string& sub, const std::string& text)
{
    if (sub.empty())
        return 0;
    return ToPos(text.rfind(sub));
}

bool StartsWith(const std::string& prefix, const std::string& text, bool ignoreCase)
{
    if (prefix.empty() || prefix.size() > text.size())
        return false;
    const std::string head = text.substr(0, prefix.size());
    return ignoreCase ? UpperText(head) == UpperText(prefix) : head == prefix;
}

bool EndsWith(const std::string& suffix, const std::string& text, bool ignoreCase)
{
    if (suffix.size() > text.size())
        return false;
    const std::string tail = text.substr(text.size() - suffix.size());
    return ignoreCase ? UpperText(tail) == UpperText(suffix) : tail == suffix;
}

bool SameTextTrimmed(const std::string& a, const std::string& b)
{
    return UpperText(TrimText(a)) == UpperText(TrimText(b));
}

std::string TextBefore(const std::string& text, const std::string& separator, const std::string& def)
{
    const size_t at = Find(separator, text, 0, false);
    return at == std::string::npos ? def : text.substr(0, at);
}

std::string ReplaceChar(const std::string& text, char from, char to)
{
    std::string r = text;
    if (from == to)
        return r;
    for (char& c : r)
        if (c == from)
            c = to;
    return r;
}

std::string FilterChars(const std::string& text, const std::string& allowed, const std::string& removed)
{
    bool keep[256];
    for (bool& k : keep)
        k = allowed.empty();
    for (char c : allowed)
        keep[static_cast<unsigned char>(c)] = true;
    for (char c : removed)
        keep[static_cast<unsigned char>(c)] = false;
    std::string r;
    for (char c : text)
        if (keep[static_cast<unsigned char>(c)])
            r += c;
    return r;
}

// --- Trimming, filling and choice ----------------------------------------------

std::string TrimChar(const std::string& text, char ch, bool force, bool onlyOne)
{
    if (text.size() == 1 && text[0] == ch)
        return std::string();
    const bool enclosed = text.size() > 1 && text.front() == ch && text.back() == ch;
    if (!force && !enclosed)
        return text;
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ch) {
        ++b;
        if (onlyOne)
            break;
    }
    while (e > b && text[e - 1] == ch) {
        --e;
        if (onlyOne)
            break;
    }
    return text.substr(b, e - b);
}

std::string TrimQuotes(const std::string& text, bool force) { return TrimChar(TrimText(text), '"', force, false); }

// A width of -3 or less asks for a fixed column: cut to fit, then fill up to it.
std::string PadLeft(const std::string& text, int width, char fill)
{
    std::string r = text;
    if (width <= -3) {
        width = -width;
        if (r.size() > static_cast<size_t>(width))
            r = r.substr(0, width - 1) + ".";
    }
    if (width > 0 && r.size() < static_cast<size_t>(width))
        r.insert(0, static_cast<size_t>(width) - r.size(), fill);
    return r;
}

std::string ZeroPad(const std::string& text, int width)
{
    std::string r = text;
    if (width > 0 && r.size() < static_cast<size_t>(width))
        r.insert(0, static_cast<size_t>(width) - r.size(), '0');
    return r;
}

// The zeros go after a minus sign, so -5 to width 3 reads -05 rather than 0-5.
std::string IntToZeroPad(int64_t value, int width)
{
    const std::string digits = std::to_string(value);
    if (value < 0)
        return "-" + ZeroPad(digits.substr(1), width - 1);
    return ZeroPad(digits, width);
}

std::string BoolText(bool flag) { return flag ? "TRUE" : "FALSE"; }

// --- Numbers and sizes --------------------------------------------------------

std::string InsertThousands(const std::string& digits)
{
    const size_t dot = digits.find('.');
    std::string whole = digits.substr(0, dot);
    const std::string rest = dot == std::string::npos ? std::string() : digits.substr(dot);
    for (size_t i = whole.size(); i > 3; i -= 3)
        whole.insert(i - 3, ",");
    return whole + rest;
}

std::string SizeText(int64_t value, int64_t unit, bool decimals, bool separators)
{
    if (unit <= 0)
        unit = 1; // a zero unit would divide by zero
    std::string r;
    if (!decimals) {
        int64_t q = value / unit;
        if (value % unit != 0 && value > 0)
            ++q; // round up
        r = std::to_string(q);
    } else {
        r = FixedText(static_cast<double>(value) / static_cast<double>(unit), 1);
    }
    if (separators) {
        const bool negative = !r.empty() && r[0] == '-';
        r = negative ? "-" + InsertThousands(r.substr(1)) : InsertThousands(r);
    }
    return r;
}

namespace {

// The digits of a whole number held in a double.
std::string WholeDigits(double whole)
{
    std::string digits;
    do {
        const double rest = std::fmod(whole, 10.0);
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest)));
        whole = std::floor(whole / 10.0);
    } while (whole >= 1.0);
    return digits;
}

} // namespace

// Our own digits rather than printf's: the C library's floating-point printing is the
// largest single piece of a program that shows a rate and a size with it.
std::string FixedText(double value, int decimals, const std::string& decimalSeparator)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > kMostFixedDecimals)
        decimals = kMostFixedDecimals;
    if (std::isnan(value))
        return "nan";
    const std::string sign = std::signbit(value) ? "-" : "";
    double scale = 1; // exact: a power of ten up to 10^22 is a double
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const double scaled = std::nearbyint(std::fabs(value) * scale);
    if (std::isinf(scaled))
        return sign + "inf";
    std::string digits = WholeDigits(scaled);
    const size_t places = static_cast<size_t>(decimals);
    if (digits.size() <= places)
        digits.insert(0, places + 1 - digits.size(), '0');
    if (places > 0)
        digits.insert(digits.size() - places, decimalSeparator);
    return sign + digits;
}

// Seeded from the high-resolution clock on every call; a call counter is mixed in so
// that two calls within one clock tick (a retry loop for a free name) still differ.
int64_t RandomInRange(int64_t low, int64_t high)
{
    static uint64_t calls = 0;
    if (high < low)
        std::swap(low, high);
    uint64_t x = FineClockTicks() + 0x9E3779B97F4A7C15ull * ++calls;
    // splitmix64 finaliser: spreads the clock's low bits over the whole word
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    const uint64_t span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low) + 1;
    const uint64_t offset = span == 0 ? x : x % span; // span 0: the whole 64-bit range
    return static_cast<int64_t>(static_cast<uint64_t>(low) + offset);
}

std::string RandomText(int64_t low, int64_t high) { return std::to_string(RandomInRange(low, high)); }

int64_t SaturatingSum(int64_t a, int64_t b)
{
    if (b > 0 && a > INT64_MAX - b)
        return INT64_MAX;
    if (b < 0 && a < INT64_MIN - b)
        return INT64_MIN;
    return a + b;
}

bool TryParseInt64(const std::string& text, int64_t& value)
{
    const std::string t = TrimText(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    if (i == t.size())
        return false;
    // Accumulate as a negative number: its range holds INT64_MIN too.
    int64_t v = 0;
    const int64_t limit = INT64_MIN;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        const int d = t[i] - '0';
        if (v < (limit + d) / 10)
            return false;
        v = v * 10 - d;
    }
    if (!negative) {
        if (v == limit)
            return false;
        v = -v;
    }
    value = v;
    return true;
}

int64_t ParseInt64(const std::string& text, int64_t def)
{
    int64_t value = def;
    TryParseInt64(text, value);
    return value;
}

// Digits at or above the base are taken at face value ("19" in base 8 is 17);
// overflow wraps around in 64 bits.
int64_t ParseInBase(const std::string& text, int base)
{
    const std::string t = UpperText(TrimText(text));
    uint64_t sum = 0, weight = 1;
    for (size_t i = t.size(); i-- > 0;) {
        const char* at = t[i] ? std::strchr(kDigits, t[i]) : nullptr;
        if (!at)
            return -1;
        sum += static_cast<uint64_t>(at - kDigits) * weight;
        weight *= static_cast<uint64_t>(static_cast<int64_t>(base));
    }
    return static_cast<int64_t>(sum);
}

int64_t ParseHex(const std::string& text)
{
    std::string t = TrimText(text);
    if (StartsWith("0X", t, true))
        t.erase(0, 2);
    return ParseInBase(t, 16);
}

std::string BytesToHex(const std::string& bytes, bool blanks, bool prefix)
{
    std::string r;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (prefix)
            r += "0x";
        r += kDigits[b >> 4];
        r += kDigits[b & 15];
        if (blanks) {
            r += ' ';
            if ((i + 1) % 8 == 0)
                r += ' ';
        }
    }
    return r;
}

std::string HexNumber(uint64_t value, int width)
{
    std::string r;
    do {
        r.insert(r.begin(), "0123456789abcdef"[value & 15]);
        value >>= 4;
    } while (value != 0);
    return ZeroPad(r, width);
}

std::string HexToBytes(const std::string& text)
{
    std::string r;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int64_t v = ParseHex(text.substr(i, 2));
        r += static_cast<char>(v < 0 || v > 255 ? 255 : v);
    }
    return r;
}

bool StrictHexToBytes(const std::string& text, std::string& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string r;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        r += static_cast<char>(high << 4 | low);
    }
    bytes = std::move(r);
    return true;
}

// --- Dates and times ----------------------------------------------------------

// As in the OLE convention, a negative day count still carries a positive time of day.
DateTime DateTimeFromDays(double days)
{
    DateTime dt;
    if (!std::isfinite(days))
        return dt;
    double whole = std::trunc(days);
    int64_t secs = std::llround(std::fabs(days - whole) * 86400.0);
    int64_t day = static_cast<int64_t>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        ++day;
    }
    CivilFromDays(day + kDayZero, dt.year, dt.month, dt.day);
    dt.hour = static_cast<int>(secs / 3600);
    dt.minute = static_cast<int>(secs / 60 % 60);
    dt.second = static_cast<int>(secs % 60);
    return dt;
}

double DaysFromDateTime(const DateTime& dt)
{
    const int64_t day = DaysFromCivil(dt.year, dt.month, dt.day) - kDayZero;
    const double time = (dt.hour * 3600.0 + dt.minute * 60.0 + dt.second) / 86400.0;
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

std::string DateText(const DateTime& dt)
{
    return Two(dt.day) + "-" + (dt.month >= 1 && dt.month <= 12 ? kMonths[dt.month - 1] : "") + "-" +
           IntToZeroPad(dt.year, 4);
}

std::string DateTimeText(const DateTime& dt, const std::string& timeSeparator)
{
    return DateText(dt) + " " + Two(dt.hour) + timeSeparator + Two(dt.minute) + timeSeparator + Two(dt.second);
}

std::string StampText(bool fourDigitYear, const DateTime& dt, const std::string& dateSeparator,
                      const std::string& timeSeparator)
{
    const std::string year = fourDigitYear ? IntToZeroPad(dt.year, 4) : Two(((dt.year % 100) + 100) % 100);
    return Two(dt.day) + dateSeparator + Two(dt.month) + dateSeparator + year + " " + Two(dt.hour) + timeSeparator +
           Two(dt.minute) + timeSeparator + Two(dt.second);
}

// --- Paths --------------------------------------------------------------------

namespace {

// A last byte "\" is a separator unless it is the second half of a double-byte character.
bool EndsWithSeparator(const std::string& s)
{
    return !s.empty() && s.back() == '\\' && !(s.size() > 1 && IsLeadByte(s[s.size() - 2]));
}

} // namespace

// Ends with exactly one backslash when add is set: a short path that already ends in
// one (such as "\") does not get a second.
std::string WithBackslash(const std::string& path, bool add)
{
    std::string r = path;
    if (r.size() > 2 && EndsWithSeparator(r))
        r.pop_back();
    if (add && !EndsWithSeparator(r))
        r += '\\';
    return r;
}

std::string WithoutBackslash(const std::string& path)
{
    if (path == "\\")
        return std::string();
    std::string r = path;
    if (r.size() > 1 && EndsWithSeparator(r))
        r.pop_back();
    return r;
}

// Runs of backslashes shrink to one, except the pair that starts a network path. When
// the text is enclosed in equal characters (quotes), a pair right after that character
// is the start of a quoted network path and is kept as well.
std::string CollapseBackslashes(const std::string& path, bool stripTrailing)
{
    std::string r = path;
    if (r.size() >= 3) {
        const char first = r.front();
        const bool enclosed = r.front() == r.back();
        std::string rest = r.substr(1);
        for (size_t i = rest.size(); i-- > 1;) {
            if (i >= rest.size() || rest[i] != '\\' || rest[i - 1] != '\\')
                continue;
            const char before = i >= 2 ? rest[i - 2] : first;
            if (IsLeadByte(before))
                continue;
            if (enclosed && before == first)
                continue;
            rest.erase(i, 1);
        }
        r = first + rest;
    }
    return stripTrailing ? WithoutBackslash(r) : r;
}

std::string FileTitle(const std::string& path, bool all)
{
    const size_t slash = path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = all ? name.find('.') : name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string FileNamePart(const std::string& path)
{
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
