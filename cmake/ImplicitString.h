// Included first in every C++ file of the Windows trees (cmake/Windows.cmake).
//
// The C++ library declares std::string's members as instantiated in its own archive, so
// a program calls those copies: 33 KB of them in the launcher (14 KB of it unwind
// tables, kept whole by the link), compiled apart from the code that calls them. With
// the declarations suppressed for std::string alone (-1, the library's own setting for
// that), the launcher instantiates the members it uses and its whole-program
// optimisation trims them with the rest: 21 KB smaller. Other templates keep their
// declarations.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
