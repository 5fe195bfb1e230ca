# Strict warnings for our own targets; warnings that point at real faults stop the build.
function(k_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra
    -Werror=return-type -Werror=format-security -Werror=uninitialized
    -Werror=sizeof-pointer-memaccess -Werror=array-bounds)
endfunction()
