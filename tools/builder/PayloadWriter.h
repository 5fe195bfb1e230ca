// Writes a setup exe (and its further volumes) from a bare launcher and a build plan.
#pragma once
#include <string>
#include <vector>

#include "Manifest.h"

// The volume files written, first the setup exe. Throws ManifestError for a plan that
// cannot be written (naming the manifest key at fault) and std::runtime_error for I/O.
std::vector<std::string> WritePayload(const BuildPlan& plan);

// Why an image cannot be the bare launcher of a setup (not a Windows GUI program, no
// PE header at offset 256); empty when it can.
std::string LauncherImageProblem(const std::string& image);

// The header strings of a plan, in payload order.
std::vector<std::string> HeaderStrings(const BuildPlan& plan, uint32_t seed);
// Packed DOS date and time (date high, time low) of a local time; 0 before 1980.
uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second);
