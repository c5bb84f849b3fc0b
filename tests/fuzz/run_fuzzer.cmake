# Runs one fuzzer for SECONDS over a fresh copy of SEEDS in WORK/corpus, with
# crash reproducers going to WORK/artifacts. Fails when the fuzzer reports
# anything (crash, leak, timeout, out-of-memory).
#   cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DSECONDS=30 "-DFLAGS=a|b" -P run_fuzzer.cmake
string(REPLACE "|" ";" FLAGS "${FLAGS}")
file(REMOVE_RECURSE ${WORK}/corpus ${WORK}/artifacts)
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${SEEDS}/*)
if(NOT seeds)
  message(FATAL_ERROR "no seeds in ${SEEDS}")
endif()
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER} ${WORK}/corpus -max_total_time=${SECONDS} -timeout=20 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${FLAGS}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${status}); reproducers in ${WORK}/artifacts")
endif()
