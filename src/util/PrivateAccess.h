// The access list of what a run makes for itself: its work folder (with everything
// unpacked into it) and its self-delete batch. Only SYSTEM, the administrators and the
// running user get access; nothing comes from the parent (a drive root lets every
// signed-in user modify what is made in it), and everything made inside inherits the
// list. An elevated run leaves its own user out: that user's unelevated programs must
// not change what runs elevated.
#pragma once

#include <cstdint>
#include <string>

// The list in the system's descriptor language (SDDL); userSid in its text form
// ("S-1-5-21-..."). Without a user SID only SYSTEM and the administrators get access.
std::string PrivateAccessSddl(const std::string& userSid, bool elevated);

// prefix and 16 hex digits of the 8 bytes: a name nobody can predict when the bytes are
// random.
std::string RandomName(const std::string& prefix, const std::uint8_t (&bytes)[8]);
