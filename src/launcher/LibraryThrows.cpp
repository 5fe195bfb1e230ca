// The C++ library's error raisers, for the launcher alone.
//
// The library's own raisers build its string-carrying errors (length_error,
// out_of_range ...), and those bring a second, older string implementation of about
// 60 KB into a program that never asks an error for more than its text. These raise the
// same failures as plain std::exceptions whose what() is the library's text (an
// out-of-range message unformatted); the allocation failures stay the standard types.
// Every handler in the launcher catches std::exception, std::bad_alloc or anything.
// The library's object with the originals must not come in beside these: a raiser
// missing here would bring it, and the link fails with duplicate definitions.
#include <exception>
#include <new>
#include <string>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* text) : text_(text ? text : "library error") {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;
};

} // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }

} // namespace std
