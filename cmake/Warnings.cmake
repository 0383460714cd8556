# The project's own targets call orvane_warnings(); third-party headers come in as SYSTEM.
function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
