# The clang tree (build/fuzz): the portable core, the builder and the native unit tests
# with AddressSanitizer and UndefinedBehaviorSanitizer, and a libFuzzer target for each
# reader of outside input. Everything is compiled with coverage for the fuzzer, so the
# same libraries serve the sanitized unit tests and the fuzz targets.
find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)

set(K_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${K_SANITIZERS} -fsanitize=fuzzer-no-link)
add_link_options(${K_SANITIZERS})

add_subdirectory(src)
add_subdirectory(tools/builder)
add_subdirectory(tools/publisher)
add_subdirectory(tests/unit)
add_subdirectory(tests/fuzz)
