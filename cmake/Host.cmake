find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

add_subdirectory(src)
add_subdirectory(tools)
add_subdirectory(tests/unit)
# The structure drawn from the includes: no circle between modules, no arrow up a layer.
add_test(NAME structure.imports COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/structure/imports.py)

# Two Windows trees of the same sources: win/ is the 32-bit build that ships, win64/ its
# 64-bit twin.
include(ExternalProject)
set(WIN32_DIR ${CMAKE_BINARY_DIR}/win)
set(WIN64_DIR ${CMAKE_BINARY_DIR}/win64)
foreach(bits 32 64)
  if(bits EQUAL 32)
    set(tree win)
  else()
    set(tree win64)
  endif()
  ExternalProject_Add(${tree}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WIN${bits}_DIR}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw${bits}.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DPEFIX_EXE=$<TARGET_FILE:pefix>
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS pefix)
endforeach()

# The shipped launcher travels in front of every setup: at most 300 KB (what it is made
# of: the README's "Size"). A plain variable, not a cached one: a tree configured before
# takes a changed limit too.
set(LAUNCHER_SIZE_LIMIT 300000)
add_test(NAME launcher.size COMMAND ${CMAKE_COMMAND} -DFILE=${WIN32_DIR}/src/launcher/launcher.exe
  -DLIMIT=${LAUNCHER_SIZE_LIMIT} -P ${CMAKE_SOURCE_DIR}/cmake/LauncherSize.cmake)

# Every C and C++ source in the house style (scripts/format applies it).
add_test(NAME format COMMAND ${CMAKE_SOURCE_DIR}/scripts/format --check)

# The clang tree: the native unit tests again with sanitizers, and the fuzz targets. CI
# runs each target briefly from its seed corpus (scripts/fuzz runs them longer by hand).
set(FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
ExternalProject_Add(fuzz
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${FUZZ_DIR}
  CMAKE_ARGS
    -DCMAKE_C_COMPILER=clang
    -DCMAKE_CXX_COMPILER=clang++
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DK_FUZZ=ON
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
# Its own temp folder: the host tree's unit tests, which may run at the same time, write
# files of the same names.
file(MAKE_DIRECTORY ${FUZZ_DIR}/unit-tmp)
add_test(NAME sanitize.unit COMMAND ${FUZZ_DIR}/tests/unit/unit_tests)
set_tests_properties(sanitize.unit PROPERTIES TIMEOUT 600 ENVIRONMENT "TEST_TMPDIR=${FUZZ_DIR}/unit-tmp/")
file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${fuzz_sources})
  get_filename_component(target ${source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" target ${target})
  add_test(NAME fuzz.${target} COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz ${target} 8)
  # A fuzzer keeps a core busy: not beside the tests that wait for message boxes on the
  # shared display (one missed its box under that load).
  set_tests_properties(fuzz.${target} PROPERTIES TIMEOUT 300 RESOURCE_LOCK desktop
    ENVIRONMENT "K_FUZZ_DIR=${FUZZ_DIR};K_FUZZ_OUT=${FUZZ_DIR}/runs;K_FUZZ_SEED=1")
endforeach()

# Layer 2 and 3: Windows programs under Wine, with one Wine environment per build tree.
# They run on the shipped 32-bit build where this host can start 32-bit processes and
# on the twin where it cannot (K_WIN_ARCH=32 or 64 forces either).
set(WINE_ENV ${CMAKE_SOURCE_DIR}/tests/harness/wineenv)
execute_process(COMMAND ${WINE_ENV} arch OUTPUT_VARIABLE WIN_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE probe)
if(NOT probe EQUAL 0)
  message(FATAL_ERROR "wineenv arch failed: ${WIN_ARCH}")
endif()
message(STATUS "Windows test layers run on the ${WIN_ARCH}-bit build")
set(WIN_DIR ${WIN${WIN_ARCH}_DIR})

function(k_wine_fixture fixture state bits)
  add_test(NAME ${fixture}.start COMMAND ${WINE_ENV} start ${state} ${bits})
  add_test(NAME ${fixture}.stop COMMAND ${WINE_ENV} stop ${state})
  set_tests_properties(${fixture}.start PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 300)
  set_tests_properties(${fixture}.stop PROPERTIES FIXTURES_CLEANUP ${fixture})
endfunction()
set(WINE_STATE ${CMAKE_BINARY_DIR}/wine${WIN_ARCH})
k_wine_fixture(wine ${WINE_STATE} ${WIN_ARCH})
# A second environment, with a display of its own, for the scenarios that answer no
# boxes: their windows take the focus, which the keyboard-driven tests on the first
# display must keep.
set(WINE_QUIET_STATE ${CMAKE_BINARY_DIR}/wine${WIN_ARCH}-quiet)
k_wine_fixture(wine_quiet ${WINE_QUIET_STATE} ${WIN_ARCH})
# Where the layers run on the 32-bit build, the twin's unit tests run too (64-bit Wine
# can start on any host that can start 32-bit processes).
if(WIN_ARCH EQUAL 32)
  set(WINE_TWIN_STATE ${CMAKE_BINARY_DIR}/wine64)
  k_wine_fixture(wine64 ${WINE_TWIN_STATE} 64)
endif()

add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
