// The outcome of a call into the system: success, or the system's error code taken
// right after the call that failed, before anything else could overwrite it. The code
// that shows or traces the failure reads it from here. A result must be looked at.
#pragma once

#include <windows.h>

struct [[nodiscard]] SysResult {
    DWORD error = 0;

    explicit operator bool() const { return error == 0; }
    // The calling thread's last error; a failure that set none still counts as one.
    static SysResult LastError()
    {
        const DWORD code = ::GetLastError();
        return {code != 0 ? code : static_cast<DWORD>(ERROR_GEN_FAILURE)};
    }
};
