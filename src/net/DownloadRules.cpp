#include "net/DownloadRules.h"

#include "util/Utils.h"

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

std::string PartialFileName(const std::string& localFile, uint32_t size, uint32_t date)
{
    return localFile + "." + std::to_string(static_cast<uint32_t>(size + date));
}

ReadPlan PlanReads(uint32_t size)
{
    ReadPlan plan;
    const uint32_t tenth = size / 10;
    if (size <= kSmallDownload) {
        plan.piece = tenth < 1 ? 1 : tenth > 8192 ? 8192 : tenth;
        plan.unit = plan.piece;
    } else {
        plan.piece = tenth > kLargestPiece ? kLargestPiece : tenth;
        const uint32_t share = size / kMostUnits + 1;
        plan.unit = share > plan.piece ? share : plan.piece;
        plan.small = false;
    }
    plan.steps = static_cast<uint32_t>((static_cast<uint64_t>(size) + plan.unit - 1) / plan.unit + 1);
    return plan;
}

uint32_t StepsDone(const ReadPlan& plan, uint32_t size, uint32_t done)
{
    if (done < size)
        return done / plan.unit;
    return static_cast<uint32_t>((static_cast<uint64_t>(done) + plan.unit - 1) / plan.unit);
}

uint32_t FirstPiece(const ReadPlan& plan) { return plan.small || plan.piece < kFirstPiece ? plan.piece : kFirstPiece; }

uint32_t NextPiece(const ReadPlan& plan, uint32_t piece, uint32_t elapsedMs)
{
    if (plan.small)
        return plan.piece;
    if (elapsedMs < kQuickReadMs)
        return piece > plan.piece / 2 ? plan.piece : piece * 2;
    if (elapsedMs > kSlowReadMs) {
        const uint32_t floor = plan.piece < kSmallestPiece ? plan.piece : kSmallestPiece;
        return piece / 2 < floor ? floor : piece / 2;
    }
    return piece;
}
