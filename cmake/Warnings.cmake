# Strict warnings for our own targets; warnings that point at real faults stop the build,
# and so does a dropped result that was marked as one to look at ([[nodiscard]]).
function(k_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra
    -Werror=return-type -Werror=format-security -Werror=uninitialized
    -Werror=sizeof-pointer-memaccess -Werror=array-bounds -Werror=unused-result)
endfunction()
