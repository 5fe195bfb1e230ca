// A temporary folder of this fuzz process for targets that must go through files.
#pragma once

#include <string>

// Created at the first call, removed when the process ends; no trailing "/".
const std::string& FuzzFolder();
void WriteFuzzFile(const std::string& path, const std::string& bytes);
