# Static everything: the launcher must run from a bare folder with no MinGW DLLs. The
# toolchain also has zlib as a DLL, which a plain Windows system does not have.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
# The launcher travels in front of every setup: its code mostly waits for zlib (built
# apart) and the disk, so size counts for more than the last bit of speed.
string(REPLACE "-O3" "-Os" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
# Each function and datum in a section of its own, so that the launcher's link can leave
# out what nothing uses.
add_compile_options(-ffunction-sections -fdata-sections)
# std::string's members made where they are used, not taken from the library's archive
# (cmake/ImplicitString.h says why).
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${CMAKE_SOURCE_DIR}/cmake/ImplicitString.h>")
# The launcher's code is optimised as one whole at its link: its small layers call each
# other's helpers everywhere. The objects also carry ordinary code, and every other
# program links that (-fno-lto; the launcher's own -flto comes later on its link line
# and wins), so the test programs that link the same libraries link as before.
set(K_LTO_OPTIONS -flto -ffat-lto-objects)
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -fno-lto")
# The launcher and its layers are built without exceptions: errors are return values,
# and what is left (memory, the C++ library's own checks) ends the run in one place
# (launcher/LibraryFaults.cpp), so neither the unwinder nor unwind tables come in. The
# 64-bit twin keeps its tables: the system's own stack walks read them there.
set(K_NO_EXCEPTIONS -fno-exceptions)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND K_NO_EXCEPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
# The launcher links the C++ run-time of the toolchain's win32 thread model, installed
# beside the posix one: the posix model's exception and static-initialisation support
# bring a POSIX thread layer (34 KB), and the launcher's one writer thread runs on Win32
# calls. -no-pthread keeps the layer out: code that needs it fails the launcher's link.
string(REPLACE "-posix" "-win32" win32_model_cxx "${CMAKE_CXX_COMPILER}")
execute_process(COMMAND ${win32_model_cxx} -print-libgcc-file-name OUTPUT_VARIABLE win32_model_libgcc
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${win32_model_libgcc}")
  message(FATAL_ERROR "The launcher links the run-time of ${win32_model_cxx}: scripts/bootstrap installs it")
endif()
get_filename_component(K_WIN32_MODEL_LIBS "${win32_model_libgcc}" DIRECTORY)
# The launcher's link: stripped, unused sections dropped, and no demangling terminate
# handler (a GUI program has no console to print an uncaught exception's name on, and
# the demangler alone is 46 KB): an uncaught exception ends the program at once.
function(k_small_exe target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(underscore _)
  endif()
  target_compile_options(${target} PRIVATE ${K_LTO_OPTIONS} ${K_NO_EXCEPTIONS})
  # One partition: the partitioned link of this toolchain stops with an internal
  # compiler error on the launcher.
  target_link_options(${target} PRIVATE ${K_NO_EXCEPTIONS} -L${K_WIN32_MODEL_LIBS} -no-pthread
    -flto -flto-partition=one -s -Wl,--gc-sections
    -Wl,--defsym,${underscore}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${underscore}abort)
endfunction()

# GoogleTest for the Windows unit tests, built with the same toolchain.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(src)
add_subdirectory(tools)
add_subdirectory(tests/win)
