find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

add_subdirectory(src)
add_subdirectory(tools)
add_subdirectory(tests/unit)

include(ExternalProject)
set(WIN_DIR ${CMAKE_BINARY_DIR}/win)
ExternalProject_Add(win
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${WIN_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw32.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DPEFIX_EXE=$<TARGET_FILE:pefix>
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  DEPENDS pefix)

# Layer 2 and 3: Windows programs under Wine, with one Wine environment per build tree.
set(WINE_ENV ${CMAKE_SOURCE_DIR}/tests/bench/wineenv)
set(WINE_STATE ${CMAKE_BINARY_DIR}/wine)
add_test(NAME wine.start COMMAND ${WINE_ENV} start ${WINE_STATE})
add_test(NAME wine.stop COMMAND ${WINE_ENV} stop ${WINE_STATE})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
