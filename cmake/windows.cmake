# The Windows build: Setup.exe and the test helpers, linked statically so that they
# import nothing but system DLLs that Windows 98 and NT 4.0 have.
# No time stamp in the header: the same sources give the same bytes at any time. The link-time
# optimisation of the system's code runs at -Os (not the build type's -O3) in one partition
# (GCC 12 fails on this code when it splits the program).
set(WIN_LINK_OPTIONS -static -s -mwindows -Wl,--no-insert-timestamp -Os -flto-partition=one)

# Setup.exe is marked terminal-server aware (a terminal server would otherwise give it a
# per-user Windows folder, and the protected Fonts and system folders derived from it would
# be wrong); relocatable (ASLR) and no-execute compatible as the linker makes it by default.
# Unused sections are dropped. The link refuses data imported from a DLL by address, which the
# start-up code's stand-in (cmake/mingw-runtime.cpp) does not relocate.
set(SETUP_LINK_OPTIONS ${WIN_LINK_OPTIONS} -Wl,--tsaware -Wl,--gc-sections
                       -Wl,--disable-auto-import)

# The link map tells what each part of the file costs (tools/size_table.py reads it).
add_executable(Setup WIN32 app/Setup.cpp app/Setup.rc cmake/mingw-runtime.cpp)
target_link_libraries(Setup PRIVATE kest_app)
target_compile_options(Setup PRIVATE ${KEST_OPTIONS})
target_link_options(Setup PRIVATE ${SETUP_LINK_OPTIONS} -Wl,-Map=${CMAKE_BINARY_DIR}/Setup.map)
# The manifest is read by the resource compiler; a change to it rebuilds the resources.
set_source_files_properties(app/Setup.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/app/Setup.manifest)

# Helper programs for the Wine tests (tools/*.cpp, one program each). They link only what
# they use: the driver and the stand-in none of the system's code, the probe the support library.
# The stand-in also plays the product's setup (registry, shell folders, shortcuts). All of them
# own their handles through the support library's header-only owners.
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} WIN32 ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/support)
  if(name STREQUAL "probe")
    # The probe replays lz32's calls as the platform's lz32 answers them (Setup.exe loads it
    # by path instead; the import libraries would otherwise take them from kernel32).
    target_link_libraries(${name} PRIVATE lz32 kest_support)
  elseif(name STREQUAL "bench")
    target_link_libraries(${name} PRIVATE shell32 user32 kernel32)
  elseif(name STREQUAL "kest")
    target_link_libraries(${name} PRIVATE ole32 uuid shell32 advapi32 user32 kernel32)
  else()
    target_link_libraries(${name} PRIVATE user32 kernel32)
  endif()
  target_compile_options(${name} PRIVATE ${KEST_OPTIONS})
  target_link_options(${name} PRIVATE ${WIN_LINK_OPTIONS})
endforeach()

# The minimal program that shows one box: the floor that `make bench` measures against.
add_executable(minimal_box WIN32 ${CMAKE_SOURCE_DIR}/cmake/minimal_box.c)
target_link_options(minimal_box PRIVATE ${WIN_LINK_OPTIONS})

# A test copy of Setup.exe whose imports that Windows 98 has only as failing stubs (see
# e2e/allowed_imports.txt) are replaced by such stubs: the Wine tests run it posing as win98.
add_executable(Setup9x WIN32 app/Setup.cpp cmake/mingw-runtime.cpp cmake/win9x_stubs.c)
target_link_libraries(Setup9x PRIVATE kest_app)
target_compile_options(Setup9x PRIVATE ${KEST_OPTIONS})
target_link_options(Setup9x PRIVATE ${SETUP_LINK_OPTIONS})

# A planted library for the Wine tests (see the source): it notes every process that loads it.
add_library(planted SHARED ${CMAKE_SOURCE_DIR}/cmake/planted_dll.c)
set_target_properties(planted PROPERTIES PREFIX "")
target_link_options(planted PRIVATE -static -s -Wl,--kill-at)
