# Strict warnings, treated as errors, for the project's own targets.
function(vardelo_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Wnull-dereference -Werror)
endfunction()
