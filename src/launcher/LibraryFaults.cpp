// The C++ library's failures and its guards of function-local statics, for the launcher
// alone: it is built without exceptions, so an allocation that fails and the library's
// own checks (a length past the largest string ...) end the run here. One way out for all of them: a trace line, the
// update log's record where the log is on, and the exit table's failure code - never a success, never a hang. The
// library's raisers and allocation functions must not come in beside these: theirs throw, which would bring the
// unwinder and the exception types back (a raiser missing here brings its object, and the link fails with duplicate
// definitions).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "launcher/ExitCodes.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

[[noreturn]] void EndOnFault(const char* what) noexcept
{
    static volatile LONG owner = 0;
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    const LONG first = InterlockedCompareExchange(&owner, self, 0);
    if (first == 0) {
        // Tracing needs a little memory too: a fault inside it comes back here and ends
        // the process at once.
        const std::string code = std::to_string(kExitFailed);
        TraceLine(ProcessIdText(), " ==== FAULT: ", what);
        TraceLine(ProcessIdText(), " ==== ExitCode=", code);
        WriteUpdateLog(std::string("FAULT: ") + what);
        WriteUpdateLog("ExitCode=" + code);
    } else if (first != self) {
        // Another thread is writing the records: it ends the process when done.
        Sleep(5000);
    }
    TerminateProcess(GetCurrentProcess(), kExitFailed);
    ExitProcess(kExitFailed);
}

void* Allocate(std::size_t size) noexcept { return std::malloc(size != 0 ? size : 1); }

void* AllocateOrEnd(std::size_t size) noexcept
{
    void* block = Allocate(size);
    if (!block)
        EndOnFault("out of memory");
    return block;
}

// The state of a function-local static's guard: the first byte is set once the static
// is made (the compiled code reads it), the second word holds the thread making it.
volatile char* Made(uint64_t* guard) { return reinterpret_cast<volatile char*>(guard); }
volatile LONG* Maker(uint64_t* guard) { return reinterpret_cast<volatile LONG*>(guard) + 1; }

} // namespace

// The library's guards raise an exception for a static that is made again inside its own
// making; these end the run instead. A thread that finds another one making the static
// waits until it is made (or given up).
extern "C" int __cxa_guard_acquire(uint64_t* guard)
{
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    for (;;) {
        if (__atomic_load_n(Made(guard), __ATOMIC_ACQUIRE))
            return 0;
        const LONG maker = InterlockedCompareExchange(Maker(guard), self, 0);
        if (maker == 0) {
            if (!__atomic_load_n(Made(guard), __ATOMIC_ACQUIRE))
                return 1;
            InterlockedExchange(Maker(guard), 0);
            return 0;
        }
        if (maker == self)
            EndOnFault("a static made inside its own making");
        Sleep(1);
    }
}

extern "C" void __cxa_guard_release(uint64_t* guard)
{
    __atomic_store_n(Made(guard), 1, __ATOMIC_RELEASE);
    InterlockedExchange(Maker(guard), 0);
}

extern "C" void __cxa_guard_abort(uint64_t* guard) { InterlockedExchange(Maker(guard), 0); }

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace std {

void __throw_bad_alloc() { EndOnFault("out of memory"); }
void __throw_bad_array_new_length() { EndOnFault("out of memory"); }
void __throw_bad_cast() { EndOnFault("bad cast"); }
void __throw_bad_typeid() { EndOnFault("bad typeid"); }
void __throw_bad_exception() { EndOnFault("bad exception"); }
void __throw_bad_function_call() { EndOnFault("call of an empty function"); }
void __throw_logic_error(const char* text) { EndOnFault(text); }
void __throw_domain_error(const char* text) { EndOnFault(text); }
void __throw_invalid_argument(const char* text) { EndOnFault(text); }
void __throw_length_error(const char* text) { EndOnFault(text); }
void __throw_out_of_range(const char* text) { EndOnFault(text); }
void __throw_out_of_range_fmt(const char* format, ...) { EndOnFault(format); }
void __throw_runtime_error(const char* text) { EndOnFault(text); }
void __throw_range_error(const char* text) { EndOnFault(text); }
void __throw_overflow_error(const char* text) { EndOnFault(text); }
void __throw_underflow_error(const char* text) { EndOnFault(text); }

} // namespace std
