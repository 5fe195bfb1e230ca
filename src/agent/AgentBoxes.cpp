#include "agent/AgentBoxes.h"

#include "agent/OriginalFileWin.h"

namespace {

std::uint8_t Charset(const OriginalFile& original)
{
    return static_cast<std::uint8_t>(original.Int(OriginalKeys::CharSet));
}

} // namespace

void AgentError(const OriginalFile& original, BoxOwner owner, const std::string& text)
{
    MsgError(owner, text, original.Text(OriginalKeys::ErrorTitle), original.Text(OriginalKeys::BtnText),
             Charset(original));
}

void AgentAttention(const OriginalFile& original, BoxOwner owner, const std::string& text, int timeoutMs)
{
    MsgAttention(owner, text, original.Text(OriginalKeys::AttentionTitle), original.Text(OriginalKeys::BtnText),
                 Charset(original), timeoutMs);
}

bool AgentConfirm(const OriginalFile& original, BoxOwner owner, const std::string& text)
{
    return MsgConfirmYesNo(owner, text, original.Text(OriginalKeys::ConfirmTitle), original.Text(OriginalKeys::BtnText),
                           Charset(original));
}
