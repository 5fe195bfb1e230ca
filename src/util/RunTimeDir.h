// The eight runtime directory slots behind "<RunTimeDir_1>" to "<RunTimeDir_8>".
#pragma once

#include <string>

constexpr int kRunTimeDirCount = 8;

// Slot n (1 to 8); "" for any other n.
std::string RunTimeDir(int n);
