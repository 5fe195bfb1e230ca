// The agent's message boxes: their captions, button texts and character set come from
// the installed product's ".original" [MsgBox] section, in the product's language.
#pragma once

#include <string>

#include "ui/KMsgBox.h"

class OriginalFile;

void AgentError(const OriginalFile& original, BoxOwner owner, const std::string& text);
// timeoutMs: the box goes by itself after that long (0: it waits for an answer).
void AgentAttention(const OriginalFile& original, BoxOwner owner, const std::string& text, int timeoutMs = 0);
bool AgentConfirm(const OriginalFile& original, BoxOwner owner, const std::string& text);
