// The eight ".info" flags that the running agent can override, and the list in which an
// agent hands its overrides to the copy that replaces it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// In list order.
enum class Override : int {
    AskBeforeCheck = 0, // no ".info" key: the agent asks before each check
    ConfirmDownload,
    ConfirmInstall,
    BackgroundUpdate,
    InformFinish,
    RestartProcess,
    ConfirmDownloadForce,
    ConfirmInstallForce,
};
constexpr int kOverrideCount = 8;
// 255: not overridden (the release's flag holds); 1: true; anything else: false.
constexpr std::uint8_t kNotOverridden = 255;

using OverrideBytes = std::array<std::uint8_t, kOverrideCount>;
OverrideBytes FreshOverrides();

// The flag as overridden: the release's own value when the byte is 255.
inline bool Overridden(const OverrideBytes& bytes, Override which, bool releaseFlag)
{
    const std::uint8_t byte = bytes[static_cast<std::size_t>(which)];
    return byte == kNotOverridden ? releaseFlag : byte == 1;
}

// "|b0|b1|...|b7|", every byte in decimal.
std::string OverrideList(const OverrideBytes& bytes);
// Sets each byte from its field; a field that is not a number leaves its byte alone.
void ParseOverrideList(const std::string& list, OverrideBytes& bytes);
