// The agent's message boxes: their captions, button texts and character set come from
// the installed product's ".original" [MsgBox] section, in the product's language.
#pragma once

#include <string>

#include "ui/KMsgBox.h"

class OriginalFile;

void AgentError(const OriginalFile& original, BoxOwner owner, const std::string& text);
void AgentAttention(const OriginalFile& original, BoxOwner owner, const std::string& text);
bool AgentConfirm(const OriginalFile& original, BoxOwner owner, const std::string& text);
