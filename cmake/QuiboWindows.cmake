# Windows parts of the build, included by the top-level CMakeLists.txt after
# the plug-in target is defined. Cross builds use the toolchain files in this
# folder; scripts/windows-build.sh shows the full invocation.
if(NOT WIN32)
  return()
endif()

if(QUIBO_WERROR)
  target_compile_options(Zintra PRIVATE -Werror)
endif()

# The static MinGW runtime brings debug sections along; a release DLL drops them.
target_link_options(Zintra PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
