# A CPack pre-build script (cmake/Packaging.cmake): takes the .comment section,
# the compilers' version strings, out of every ELF file staged for the Debian
# package, as Debian strips its own packages.
if(NOT CPACK_TEMPORARY_INSTALL_DIRECTORY OR NOT CPACK_ZINTRA_OBJCOPY)
  message(FATAL_ERROR "DebianStrip.cmake runs from CPack (CPACK_PRE_BUILD_SCRIPTS), with objcopy known")
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${CPACK_ZINTRA_OBJCOPY} --remove-section=.comment "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "objcopy could not take the .comment section out of ${file}")
    endif()
  endif()
endforeach()
