# Fails when the launcher is larger than its limit; prints its size either way.
#   cmake -DFILE=launcher.exe -DLIMIT=bytes -P LauncherSize.cmake
file(SIZE "${FILE}" size)
message(STATUS "launcher: ${size} bytes (limit ${LIMIT}): ${FILE}")
if(size GREATER LIMIT)
  message(FATAL_ERROR "the launcher is ${size} bytes, above its limit of ${LIMIT}")
endif()
