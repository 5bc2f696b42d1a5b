# The fuzzers inside the host build: built with clang in a build of their own, and a
# short run of each as a test. `make fuzz` runs them longer.
include(ExternalProject)
include(${CMAKE_SOURCE_DIR}/fuzz/fuzzers.cmake)

set(KEST_FUZZ_BUILD ${CMAKE_BINARY_DIR}/fuzz)
set(KEST_FUZZ_SECONDS 3 CACHE STRING "Seconds each fuzzer runs as a test")
ExternalProject_Add(kest_fuzzers
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
  BINARY_DIR ${KEST_FUZZ_BUILD}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${KEST_CLANGXX} -DCMAKE_BUILD_TYPE=Debug
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)

foreach(fuzzer ${KEST_FUZZERS})
  add_test(NAME fuzz.${fuzzer}
           COMMAND bash ${CMAKE_SOURCE_DIR}/fuzz/run.sh ${KEST_FUZZ_BUILD}/fuzz_${fuzzer}
                   ${CMAKE_SOURCE_DIR}/fuzz/corpus/${fuzzer} ${KEST_FUZZ_BUILD}/runs/${fuzzer}
                   ${KEST_FUZZ_SECONDS})
  set_tests_properties(fuzz.${fuzzer} PROPERTIES LABELS "host;fuzz" TIMEOUT 300)
endforeach()
