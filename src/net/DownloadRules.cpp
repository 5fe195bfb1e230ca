#include "net/DownloadRules.h"

#include "net/HtmlErrorPage.h"
#include "util/Utils.h"

namespace {

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::optional<std::int64_t> Digits(const std::string& text)
{
    std::int64_t value = 0;
    if (!AllDigits(text) || text.size() > 19 || !TryParseInt64(text, value) || value < 0)
        return std::nullopt;
    return value;
}

std::string Failure(const std::string& name, const std::string& why)
{
    return name + " --- Error downloading file (" + why + ")";
}

} // namespace

std::string DownloadUrlFor(const std::string& url)
{
    if (StartsWith("https://", url, true) || PosCI("http://", url) > 0)
        return url;
    return "http://" + url;
}

std::string DownloadDisplayName(const std::string& url)
{
    const std::string path = ReplaceChar(url, '/', '\\');
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StatusFailureText(int status, const std::string& url, const std::string& page)
{
    if (status == 404 && IsHtmlErrorPage(page))
        return HtmlNotFoundMessage(page, url, std::string(), false);
    return url + " --- HTTP " + std::to_string(status);
}

std::optional<std::int64_t> ParseContentLength(const std::string& text) { return Digits(TrimText(text)); }

std::optional<std::int64_t> ParseContentRangeTotal(const std::string& text)
{
    const std::string value = TrimText(text);
    const std::size_t slash = value.rfind('/');
    if (!StartsWith("bytes ", value, true) || slash == std::string::npos)
        return std::nullopt;
    return Digits(value.substr(slash + 1));
}

BodyLimits BodyLimitsFor(const std::string& name, std::int64_t length, std::int64_t known, std::int64_t largest)
{
    BodyLimits limits;
    std::int64_t most = known;
    if (largest >= 0 && (most < 0 || largest < most))
        most = largest;
    if (length >= 0) {
        if (most >= 0 && length > most)
            limits.refusal = Failure(name, std::to_string(length) + " bytes, more than the " + std::to_string(most) +
                                               " it may have");
        limits.exact = length;
    } else if (most >= 0) {
        limits.most = most;
    } else {
        limits.refusal = Failure(name, "the server gave no length");
    }
    limits.shown = limits.exact >= 0 ? limits.exact : known;
    return limits;
}

std::string BodyFailure(const std::string& name, const BodyLimits& limits, std::int64_t got, bool ended)
{
    const std::int64_t most = limits.exact >= 0 ? limits.exact : limits.most;
    if (most >= 0 && got > most)
        return Failure(name, "more than the " + std::to_string(most) + " bytes it may have");
    if (ended && limits.exact >= 0 && got < limits.exact)
        return Failure(name, std::to_string(got) + " of " + std::to_string(limits.exact) + " bytes arrived");
    return std::string();
}

ReadPlan PlanReads(std::uint64_t size)
{
    ReadPlan plan;
    const std::uint64_t tenth = size / 10;
    if (size <= kSmallDownload) {
        plan.piece = static_cast<std::uint32_t>(tenth < 1 ? 1 : tenth > 8192 ? 8192 : tenth);
        plan.unit = plan.piece;
    } else {
        plan.piece = static_cast<std::uint32_t>(tenth > kLargestPiece ? kLargestPiece : tenth);
        const std::uint64_t share = size / kMostUnits + 1;
        plan.unit = share > plan.piece ? share : plan.piece;
        plan.small = false;
    }
    plan.steps = static_cast<std::uint32_t>((size + plan.unit - 1) / plan.unit + 1);
    return plan;
}

ReadPlan PlanReadsFor(const BodyLimits& limits)
{
    ReadPlan plan = PlanReads(limits.shown >= 0 ? static_cast<std::uint64_t>(limits.shown) : kUnknownSize);
    if (limits.most >= 0 && static_cast<std::uint64_t>(limits.most) < plan.piece)
        plan.piece = static_cast<std::uint32_t>(limits.most + 1);
    return plan;
}

std::uint32_t StepsDone(const ReadPlan& plan, std::uint64_t size, std::uint64_t done)
{
    if (done < size)
        return static_cast<std::uint32_t>(done / plan.unit);
    return static_cast<std::uint32_t>((done + plan.unit - 1) / plan.unit);
}

std::uint32_t FirstPiece(const ReadPlan& plan)
{
    return plan.small || plan.piece < kFirstPiece ? plan.piece : kFirstPiece;
}

std::uint32_t NextPiece(const ReadPlan& plan, std::uint32_t piece, std::uint32_t elapsedMs)
{
    if (plan.small)
        return plan.piece;
    if (elapsedMs < kQuickReadMs)
        return piece > plan.piece / 2 ? plan.piece : piece * 2;
    if (elapsedMs > kSlowReadMs) {
        const std::uint32_t floor = plan.piece < kSmallestPiece ? plan.piece : kSmallestPiece;
        return piece / 2 < floor ? floor : piece / 2;
    }
    return piece;
}
