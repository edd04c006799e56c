# Unit tests of the Windows build, run under Wine by scripts/windows-test.sh
# (or by ctest, which runs them through Wine as the cross-compiling emulator).
#
# GoogleTest is built from Debian's googletest sources with the cross
# compiler. The suite is the test sources of tests/ less those that use
# facilities only POSIX systems have (loading modules with dlopen, running
# programs through a pipe, reading WAV files with libsndfile); the Windows
# host covers module loading under Wine instead.

# GoogleTest itself needs std::mutex, which the win32 thread model lacks.
if(QUIBO_MINGW_THREADS STREQUAL "win32")
  message(FATAL_ERROR "The unit tests need the posix thread model; "
                      "with QUIBO_MINGW_THREADS=win32 configure with -DQUIBO_BUILD_TESTS=OFF")
endif()

set(QUIBO_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources to build with the cross compiler (Debian package googletest)")
if(NOT EXISTS ${QUIBO_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${QUIBO_GOOGLETEST_SOURCE_DIR}: install the googletest package")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${QUIBO_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(QUIBO_TESTS_DIR ${CMAKE_SOURCE_DIR}/tests)
set(QUIBO_POSIX_ONLY_TEST_PATTERN
    "#include <(dlfcn|sndfile|unistd|sys/[a-z]+)\\.h>|#include \"(LoadedPlugin|RunHost)\\.h\"|popen[ \t]*\\(")

# Sets OUT to the files of SOURCES that build for Windows.
function(quibo_windows_test_sources OUT)
  set(kept)
  set(left_out)
  foreach(source IN LISTS ARGN)
    file(READ ${source} text)
    if(text MATCHES "${QUIBO_POSIX_ONLY_TEST_PATTERN}")
      get_filename_component(name ${source} NAME)
      list(APPEND left_out ${name})
    else()
      list(APPEND kept ${source})
    endif()
  endforeach()
  if(left_out)
    list(JOIN left_out ", " names)
    message(STATUS "Windows unit tests leave out POSIX-only sources: ${names}")
  endif()
  set(${OUT} ${kept} PARENT_SCOPE)
endfunction()

# quibo_windows_test_target(NAME LIBRARY SOURCES...)
function(quibo_windows_test_target NAME LIBRARY)
  quibo_windows_test_sources(sources ${ARGN})
  if(NOT sources)
    return()
  endif()
  add_executable(${NAME} ${sources})
  target_include_directories(${NAME} PRIVATE ${QUIBO_TESTS_DIR} ${QUIBO_TESTS_DIR}/support)
  target_link_libraries(${NAME} PRIVATE ${LIBRARY} gtest gtest_main)
  target_compile_definitions(${NAME} PRIVATE ZINTRA_PLUGIN_PATH="$<TARGET_FILE_NAME:Zintra>"
                                              QUIBO_TEST_DATA_DIR="${QUIBO_TESTS_DIR}/data")
  add_dependencies(${NAME} Zintra)
  # Listing the tests needs Wine; do it when ctest runs, not at build time.
  gtest_discover_tests(${NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endfunction()

foreach(layer engine panel)
  file(GLOB sources CONFIGURE_DEPENDS ${QUIBO_TESTS_DIR}/${layer}/*.cpp)
  quibo_windows_test_target(quibo_${layer}_tests quibo_${layer} ${sources} ${QUIBO_TESTS_DIR}/support/AllocationCounter.cpp)
endforeach()

file(GLOB QUIBO_TEST_SOURCES CONFIGURE_DEPENDS ${QUIBO_TESTS_DIR}/*.cpp)
quibo_windows_test_target(quibo_tests "quibo_vst2;quibo_host" ${QUIBO_TEST_SOURCES})

file(GLOB QUIBO_CONCURRENCY_SOURCES CONFIGURE_DEPENDS ${QUIBO_TESTS_DIR}/concurrency/*.cpp)
quibo_windows_test_target(quibo_concurrency_tests "quibo_vst2;quibo_host" ${QUIBO_CONCURRENCY_SOURCES})

# The GUI framework's tests on the headless backend, the test plug-in DLL
# with the Win32 backend and the host that opens it under Wine.
add_subdirectory(${QUIBO_TESTS_DIR}/gui ${CMAKE_BINARY_DIR}/tests/gui)

# The front panel's tests on the headless backend, and the host that opens the
# built plug-in's panel under Wine.
add_subdirectory(${QUIBO_TESTS_DIR}/editor ${CMAKE_BINARY_DIR}/tests/editor)
