#include "agent/InformDialog.h"

#include <algorithm>

#include "util/Utils.h"

namespace {
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 25;
// Small enough for any screen, large enough for the button and a few lines of text.
constexpr int kSmallestWidth = 200;
constexpr int kSmallestHeight = 120;
} // namespace

bool IsOpenableAddress(const std::string& address)
{
    std::size_t prefix = 0;
    if (StartsWith("http://", address, true))
        prefix = 7;
    else if (StartsWith("https://", address, true))
        prefix = 8;
    if (prefix == 0 || address.size() == prefix)
        return false;
    for (unsigned char c : address)
        if (c <= ' ' || c == '"' || c == 127)
            return false;
    return true;
}

InformShow InformShowFor(const std::string& body, const std::string& address)
{
    if (!body.empty())
        return InformShow::Dialog;
    return IsOpenableAddress(address) ? InformShow::OpenAddress : InformShow::Nothing;
}

std::string InformTextFace(const std::string& fontName)
{
    return fontName.empty() || fontName == "Tahoma" ? "Verdana" : fontName;
}

InformSize InformWindowSize(std::int64_t width, std::int64_t height, int screenWidth, int screenHeight)
{
    const auto fit = [](std::int64_t value, int smallest, int screen) {
        return static_cast<int>(std::clamp<std::int64_t>(value, smallest, std::max(smallest, screen)));
    };
    return {fit(width, kSmallestWidth, screenWidth), fit(height, kSmallestHeight, screenHeight)};
}

InformLayout InformLayoutFor(int clientWidth, int clientHeight, bool withButton)
{
    InformLayout layout{};
    layout.band = withButton;
    const int textHeight = withButton ? clientHeight - kInformBand : clientHeight;
    layout.text = {3, 0, std::max(0, clientWidth - 3), std::max(0, textHeight)};
    if (withButton) {
        layout.button = {(clientWidth - kButtonWidth) / 2, clientHeight - 33, kButtonWidth, kButtonHeight};
        layout.lineY = clientHeight - kInformBand;
    }
    return layout;
}
