// Colours and text controls dressed in the language's font. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "util/ScopedWin.h"

// A negative value names a system colour by its low byte; any other is an RGB value.
COLORREF ResolveColour(int32_t colour);
// Styles (right-to-left for the Hebrew and Arabic character sets), a new font of the
// given face, character set and size in points, and the text of a text control. The
// control uses the font for as long as the caller keeps it: keep it until the control
// has a newer one or is gone.
[[nodiscard]] ScopedFont DressTextControl(HWND control, const std::string& text, const std::string& fontName,
                                          int charset, int fontSize);
