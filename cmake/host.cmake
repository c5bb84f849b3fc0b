# Settings of the native tree: the player's core under AddressSanitizer and
# UndefinedBehaviorSanitizer for tests and fuzzers, plain -O2 for benchmarks.
set(CMAKE_CXX_FLAGS_RELEASE "-O2")
set(SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)

function(add_sanitized target)
  target_compile_options(${target} PRIVATE ${SANITIZE_FLAGS})
  target_link_options(${target} PRIVATE ${SANITIZE_FLAGS})
endfunction()
