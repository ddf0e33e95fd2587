# Flags for every target built from this tree (our libraries, programs, plug-ins, modules and
# tests); packages found on the system (Qt, FFmpeg, GoogleTest …) are not compiled here.

# Warnings: one setting for the whole tree, so a new target cannot miss them.
add_compile_options(-Wall -Wextra)

# TAVELO_SANITIZE=address,undefined or TAVELO_SANITIZE=thread builds everything instrumented.
# A finding stops the process (UBSan would otherwise print and go on), so a test that meets one
# fails.
set(TAVELO_SANITIZE "" CACHE STRING "Sanitizers for every target: address,undefined or thread (empty = none)")
set_property(CACHE TAVELO_SANITIZE PROPERTY STRINGS "" "address,undefined" "thread")
if(NOT TAVELO_SANITIZE STREQUAL "")
  if(NOT TAVELO_SANITIZE MATCHES "^(address|undefined|thread)(,(address|undefined|thread))*$")
    message(FATAL_ERROR "TAVELO_SANITIZE: '${TAVELO_SANITIZE}' is not a list of address, undefined, thread")
  endif()
  if(TAVELO_SANITIZE MATCHES "thread" AND TAVELO_SANITIZE MATCHES "address")
    message(FATAL_ERROR "TAVELO_SANITIZE: thread cannot be combined with address")
  endif()
  set(tavelo_sanitize_flags -fsanitize=${TAVELO_SANITIZE} -fno-omit-frame-pointer)
  if(TAVELO_SANITIZE MATCHES "undefined")
    list(APPEND tavelo_sanitize_flags -fno-sanitize-recover=all)
  endif()
  add_compile_options(${tavelo_sanitize_flags})
  add_link_options(-fsanitize=${TAVELO_SANITIZE})
endif()
