// The languages that read right to left are told by the charset of their font.
#pragma once

// The Hebrew and Arabic charsets.
constexpr bool IsRightToLeftCharset(int charset) { return charset == 177 || charset == 178; }
