// The agent's message boxes: their captions, button texts and character set come from
// the installed product's ".original" [MsgBox] section, in the product's language.
#pragma once

#include <cstdint>
#include <string>

void AgentError(std::uintptr_t ownerMode, const std::string& text);
void AgentAttention(std::uintptr_t ownerMode, const std::string& text);
bool AgentConfirm(std::uintptr_t ownerMode, const std::string& text);
