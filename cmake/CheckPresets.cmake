# cmake -P CheckPresets.cmake, run in the source folder: fails unless CMake
# reads CMakePresets.json and lists the configurations the scripts build.
set(expected
    "configure:release" "configure:test" "configure:asan" "configure:tsan" "configure:fuzz"
    "build:release" "build:test" "build:asan" "build:tsan" "build:fuzz"
    "test:test" "test:asan" "test:tsan")
set(missing "")
foreach(entry ${expected})
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 kind)
  list(GET parts 1 name)
  execute_process(COMMAND ${CMAKE_COMMAND} --list-presets=${kind} RESULT_VARIABLE status OUTPUT_VARIABLE listing
                  ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --list-presets=${kind} failed: ${errors}")
  endif()
  if(NOT listing MATCHES "\"${name}\"")
    list(APPEND missing "${kind} preset ${name}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "Not listed: ${missing}")
endif()
