# The host tests: the system's code against the simulated Windows, under
# AddressSanitizer and UndefinedBehaviorSanitizer. One test program per subsystem.
find_package(GTest REQUIRED)
include(GoogleTest)
enable_testing()

function(kest_tests name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} winsim GTest::gtest GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${KEST_OPTIONS})
  target_link_options(${name} PRIVATE ${KEST_SANITIZE})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS host)
endfunction()

kest_tests(winsim_tests winsim)
kest_tests(support_tests support kest_support)
kest_tests(setup_tests setup kest_setup)
kest_tests(uninstall_tests uninstall kest_uninstall)
kest_tests(app_tests app kest_app)
kest_tests(fault_tests faults kest_app)
kest_tests(replay_tests replay)
target_include_directories(replay_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_compile_definitions(replay_tests PRIVATE
  KEST_REPLAY_TABLE="${CMAKE_SOURCE_DIR}/tests/replay/winsim.table")

# The fuzzers need clang's libFuzzer; without clang they are left out.
find_program(KEST_CLANGXX NAMES clang++ clang++-14)
if(KEST_CLANGXX)
  include(${CMAKE_SOURCE_DIR}/fuzz/host.cmake)
else()
  message(STATUS "clang++ not found: the fuzzers are not built")
endif()

# The Wine end-to-end tests run the Windows build's executables.
set(KEST_WIN_BUILD_DIR "" CACHE PATH "Build folder of the Windows build, for the Wine tests")
if(KEST_WIN_BUILD_DIR)
  include(${CMAKE_SOURCE_DIR}/e2e/tests.cmake OPTIONAL)
endif()
