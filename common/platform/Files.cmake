# quibo_files: the user's files replaced whole (ReplaceFile), over one
# implementation per system of the durable write and the folder lock.
if(WIN32)
  set(QUIBO_FILES_SYSTEM win32)
else()
  set(QUIBO_FILES_SYSTEM posix)
endif()
add_library(quibo_files STATIC ${CMAKE_CURRENT_LIST_DIR}/ReplaceFile.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/${QUIBO_FILES_SYSTEM}/DurableFile.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/${QUIBO_FILES_SYSTEM}/CFolderLock.cpp)
target_include_directories(quibo_files PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quibo_files PUBLIC quibo_common)
if(QUIBO_WERROR)
  target_compile_options(quibo_files PRIVATE -Werror)
endif()
quibo_strict_warnings(quibo_files)
