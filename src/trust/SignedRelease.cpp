#include "trust/SignedRelease.h"

#include <cstring>

#include "util/IniText.h"
#include "util/Utils.h"

namespace {

constexpr const char kSignatureHeader[] = "KalvexSignature 1";
constexpr size_t kLargestSignatureFile = 4096;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A size as the publisher writes it: decimal digits, at most 2^63 - 1.
std::optional<std::int64_t> ParseSize(const std::string& text)
{
    std::int64_t value = 0;
    if (!AllDigits(text) || text.size() > 19 || !TryParseInt64(text, value) || value < 0)
        return std::nullopt;
    return value;
}

ReleaseVerdict Refused(ReleaseTrust trust, std::string reason)
{
    ReleaseVerdict verdict;
    verdict.trust = trust;
    verdict.reason = std::move(reason);
    return verdict;
}

// The served file of the section, when it names one; a named file without its signed
// size and hash is a fault (what would the download be checked against?).
bool ReadSignedFile(const IniText& info, const char* section, const char* nameKey, const char* sizeKey,
                    const char* hashKey, std::optional<SignedFile>& file, std::string& fault)
{
    const std::string name = info.Text(section, nameKey, "");
    if (name.empty())
        return true;
    const std::optional<std::int64_t> size = ParseSize(info.Text(section, sizeKey, ""));
    const std::optional<Sha256Digest> hash = Sha256FromHex(info.Text(section, hashKey, ""));
    if (!size || !hash) {
        fault =
            std::string("the release names ") + nameKey + "=" + name + " without a valid " + (size ? hashKey : sizeKey);
        return false;
    }
    file = SignedFile{name, *size, *hash};
    return true;
}

} // namespace

std::string SignatureFileText(const SignatureFile& signature)
{
    return std::string(kSignatureHeader) + "\r\nKey=" + signature.keyId + "\r\nSignature=" +
           BytesToHex(std::string(signature.signature.begin(), signature.signature.end()), false, false) + "\r\n";
}

std::optional<SignatureFile> ParseSignatureFile(const std::string& text)
{
    if (text.size() > kLargestSignatureFile)
        return std::nullopt;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    std::string keyId, signature;
    if (lines.size() != 3 || lines[0] != kSignatureHeader || lines[1].rfind("Key=", 0) != 0 ||
        lines[2].rfind("Signature=", 0) != 0 || !StrictHexToBytes(lines[1].substr(4), keyId) || keyId.size() != 8 ||
        !StrictHexToBytes(lines[2].substr(10), signature) || signature.size() != 64)
        return std::nullopt;
    SignatureFile file;
    file.keyId = UpperText(lines[1].substr(4));
    std::memcpy(file.signature.data(), signature.data(), signature.size());
    return file;
}

std::string UtcTimeText(std::int64_t seconds)
{
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t rest = seconds - days * 86400;
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    return IntToZeroPad(year, 4) + "-" + IntToZeroPad(month, 2) + "-" + IntToZeroPad(day, 2) + "T" +
           IntToZeroPad(rest / 3600, 2) + ":" + IntToZeroPad(rest / 60 % 60, 2) + ":" + IntToZeroPad(rest % 60, 2) +
           "Z";
}

std::optional<std::int64_t> ParseUtcTime(const std::string& text)
{
    // YYYY-MM-DDTHH:MM:SSZ, nothing else.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto number = [&text](size_t at, size_t width) -> int {
        const std::string part = text.substr(at, width);
        return AllDigits(part) ? std::stoi(part) : -1;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    // 31 February and its kind come back as another date.
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    if (y != year || static_cast<int>(m) != month || static_cast<int>(d) != day)
        return std::nullopt;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

ReleaseVerdict VerifyRelease(const std::string& info, const std::string& signature, const std::vector<PublicKey>& keys,
                             std::int64_t nowUtc)
{
    if (signature.empty())
        return Refused(ReleaseTrust::Unsigned, "the release is not signed");
    const std::optional<SignatureFile> file = ParseSignatureFile(signature);
    if (!file)
        return Refused(ReleaseTrust::BadSignature, "the release's signature file is malformed");
    const std::optional<Sha256Digest> digest = Sha256Of(info);
    if (!digest)
        return Refused(ReleaseTrust::BadSignature, "the release cannot be checked: the system could not hash it");
    ReleaseVerdict verdict;
    for (size_t i = 0; i < keys.size() && verdict.keyIndex < 0; ++i)
        if (VerifyP256(keys[i], *digest, file->signature))
            verdict.keyIndex = static_cast<int>(i);
    if (verdict.keyIndex < 0) {
        bool known = false;
        for (const PublicKey& key : keys)
            known = known || UpperText(KeyId(key)) == file->keyId;
        if (known)
            return Refused(ReleaseTrust::BadSignature,
                           "the release does not match its signature (key " + file->keyId + ")");
        return Refused(ReleaseTrust::ForeignKey,
                       "the release is signed by a key this product does not trust (key " + file->keyId + ")");
    }

    std::string fault;
    const IniText values(info);
    if (!ReadSignedFile(values, "NewSetup", "NameOfUpdateFile", "SizeOfUpdateFile", kUpdateHashKey, verdict.update,
                        fault) ||
        !ReadSignedFile(values, "AutoInform", "NameOfInformFile", "SizeOfInformFile", kInformHashKey, verdict.inform,
                        fault))
        return Refused(ReleaseTrust::Malformed, fault);
    if (values.Has("General", kExpiresKey)) {
        const std::string text = values.Text("General", kExpiresKey, "");
        verdict.expires = ParseUtcTime(text);
        if (!verdict.expires)
            return Refused(ReleaseTrust::Malformed, "the release's Expires=" + text + " is no UTC time");
        if (nowUtc >= *verdict.expires)
            return Refused(ReleaseTrust::Expired, "the release expired at " + text);
    }
    verdict.trust = ReleaseTrust::Verified;
    return verdict;
}
