# The Wine end-to-end tests: one ctest test per e2e/test_*.py, run with Python's unittest
# against the Windows build in KEST_WIN_BUILD_DIR. Each test starts Wine machines of its own;
# they take much CPU, so they run one at a time (resource lock "wine").
# Debian's own Python first, not one a developer set up; the tests need its standard library only.
find_program(KEST_PYTHON3 NAMES python3 HINTS /usr/bin REQUIRED)

set(KEST_E2E_DIR ${CMAKE_SOURCE_DIR}/e2e)
set(KEST_E2E_WORK ${CMAKE_BINARY_DIR}/e2e-work)
file(GLOB KEST_E2E_TESTS CONFIGURE_DEPENDS ${KEST_E2E_DIR}/test_*.py)

foreach(script ${KEST_E2E_TESTS})
  get_filename_component(module ${script} NAME_WE)
  add_test(NAME wine_${module}
           COMMAND ${KEST_PYTHON3} -m unittest -v ${module}
           WORKING_DIRECTORY ${KEST_E2E_DIR})
  set_tests_properties(wine_${module} PROPERTIES
    LABELS wine
    TIMEOUT 1800
    RESOURCE_LOCK wine
    ENVIRONMENT "KEST_WIN_BUILD_DIR=${KEST_WIN_BUILD_DIR};KEST_E2E_WORK=${KEST_E2E_WORK};PYTHONDONTWRITEBYTECODE=1")
endforeach()

# What Setup.exe imports: only the functions of the reviewed allow-list. The check itself
# must refuse an import the list lacks (here MessageBoxA).
add_test(NAME wine_setup_imports
         COMMAND bash ${KEST_E2E_DIR}/check_imports.sh ${KEST_WIN_BUILD_DIR}/Setup.exe)
add_test(NAME wine_setup_imports_refuses_unlisted
         COMMAND bash -c "bash \"$0\" \"$1\" <(grep -v MessageBoxA \"$2\")"
                 ${KEST_E2E_DIR}/check_imports.sh ${KEST_WIN_BUILD_DIR}/Setup.exe
                 ${KEST_E2E_DIR}/allowed_imports.txt)
set_tests_properties(wine_setup_imports PROPERTIES LABELS wine TIMEOUT 60)
set_tests_properties(wine_setup_imports_refuses_unlisted PROPERTIES
  LABELS wine TIMEOUT 60 PASS_REGULAR_EXPRESSION "FAIL: imports MessageBoxA from user32.dll")
# The check refuses any import from a library outside those Windows takes from the system
# folder, whatever the list says: the stand-in imports ole32.
add_test(NAME wine_setup_imports_refuses_other_libraries
         COMMAND bash ${KEST_E2E_DIR}/check_imports.sh ${KEST_WIN_BUILD_DIR}/kest.exe)
set_tests_properties(wine_setup_imports_refuses_other_libraries PROPERTIES
  LABELS wine TIMEOUT 60 PASS_REGULAR_EXPRESSION "FAIL: imports from ole32.dll")

# A release anyone can check: Setup.exe built a second time, from a copy of the sources in
# another folder, has the same bytes as the Windows build's. It builds with two cores, so it
# does not run beside the Wine tests.
add_test(NAME release_reproducible_setup
         COMMAND bash ${KEST_E2E_DIR}/check_reproducible.sh ${CMAKE_SOURCE_DIR}
                 ${KEST_WIN_BUILD_DIR} ${CMAKE_BINARY_DIR}/reproducible)
set_tests_properties(release_reproducible_setup PROPERTIES
  LABELS release TIMEOUT 1200 RESOURCE_LOCK wine)
