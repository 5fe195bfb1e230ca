// The read-back of a payload file: every answer of its descriptor, one "Key=value" line
// each, values raw.
#pragma once
#include <string>

std::string DumpPayload(const std::string& path);
