# A sealed program file ends in a trailer that carries the SHA-256 digest of
# every byte before it; the program checks it at start-up, so a damaged
# program file or embedded image is caught before any drive is touched.
function(prodtool_seal target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -P ${PROJECT_SOURCE_DIR}/cmake/append_seal.cmake
    VERBATIM)
endfunction()
