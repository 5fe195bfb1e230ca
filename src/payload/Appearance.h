// Byte counts for the launcher's messages.
#pragma once
#include <string>

// The count in MB: 1 decimal above 10, 2 from 1 to 10, 3 below 1; negative counts as 0.
std::string MegabyteText(double bytes);
