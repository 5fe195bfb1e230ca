// Reading and writing the description files. Every access opens the file anew, so a
// value another process changed is seen at once; missing files and keys give defaults.
#pragma once

#include <cstdint>
#include <string>

#include "agent/OriginalFile.h"

class TGFileInfo;

// Both files lie beside the running launcher, named after its payload's update options.
void LocateDescriptionFiles(const std::string& folder, const TGFileInfo& own);
void SetDescriptionFiles(const std::string& originalPath, const std::string& infoPath);
const std::string& OriginalFilePath();
const std::string& InfoFilePath();

std::string ReadInfoText(const InfoKey& key);
std::int64_t ReadInfoInt(const InfoKey& key);
// True only for the stored text "1"; an override byte other than 255 answers instead.
bool ReadInfoFlag(const InfoKey& key);
// The [AutoUpdate] texts of the ".original" file.
std::string AutoUpdateText(const std::string& key, const std::string& def);

bool WriteInfoInt(const InfoKey& key, std::int64_t value);
// Writes the seconds value and its readable "__" copy.
bool WriteInfoSeconds(const InfoKey& key, std::int64_t seconds);

// The running agent's override bytes (all 255 at start).
OverrideBytes& AgentOverrides();
