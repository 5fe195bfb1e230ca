# One library per source folder, layered util < ui < payload < agent < launcher. A
# layer sees only its own headers and those of the layers it links (the ones below
# it): each gets an include root in the build tree that holds just a link to its own
# folder, so "#include "agent/..."" from payload/ fails to compile.
function(k_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  add_library(${target} STATIC)
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${ARGN})
  k_warnings(${target})
  # The launcher asks no type of its type information; without it, it is smaller.
  if(WIN32)
    target_compile_options(${target} PRIVATE -fno-rtti ${K_LTO_OPTIONS} ${K_NO_EXCEPTIONS})
  endif()
endfunction()
