#include "agent/AgentBoxes.h"

#include "agent/OriginalFileWin.h"
#include "ui/KMsgBox.h"

namespace {

std::uint8_t Charset() { return static_cast<std::uint8_t>(ReadInfoInt(Keys::CharSet)); }

} // namespace

void AgentError(std::uintptr_t ownerMode, const std::string& text)
{
    MsgError(ownerMode, text, ReadInfoText(Keys::ErrorTitle), ReadInfoText(Keys::BtnText), Charset());
}

void AgentAttention(std::uintptr_t ownerMode, const std::string& text)
{
    MsgAttention(ownerMode, text, ReadInfoText(Keys::AttentionTitle), ReadInfoText(Keys::BtnText), Charset());
}

bool AgentConfirm(std::uintptr_t ownerMode, const std::string& text)
{
    return MsgConfirmYesNo(ownerMode, text, ReadInfoText(Keys::ConfirmTitle), ReadInfoText(Keys::BtnText), Charset());
}
