// Byte counts for the launcher's messages, and the choice of a roomier temp drive.
#pragma once
#include <string>

// The count in MB: 1 decimal above 10, 2 from 1 to 10, 3 below 1; negative counts as 0.
std::string MegabyteText(double bytes);

// The drive letter with the most free space among C:, D: and E: (freeBytes in that
// order, 0 for a drive that is not a writable fixed disk), when it has strictly more
// than 0 and than any earlier candidate; else tempLetter (upper-cased).
char RoomierDrive(char tempLetter, const double (&freeBytes)[3]);
