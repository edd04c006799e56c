# The LV2 plug-in's panel (the UI side): CLv2Ui on the instrument's interface
# and its editor view. The module that carries it links one window
# backend and compiles the entry point host/lv2/ui/Lv2UiMain.cpp itself.
find_path(QUIBO_LV2_INCLUDE_DIR lv2/ui/ui.h)
if(QUIBO_LV2_INCLUDE_DIR AND NOT WIN32)
  add_library(quibo_lv2_ui STATIC ${CMAKE_CURRENT_LIST_DIR}/CLv2Ui.cpp)
  target_include_directories(quibo_lv2_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/host/lv2
                                                 ${QUIBO_LV2_INCLUDE_DIR})
  target_link_libraries(quibo_lv2_ui PUBLIC quibo_instrument_api)
  if(QUIBO_WERROR)
    target_compile_options(quibo_lv2_ui PRIVATE -Werror)
  endif()
  quibo_strict_warnings(quibo_lv2_ui)
  set(QUIBO_LV2_UI_MAIN ${CMAKE_CURRENT_LIST_DIR}/Lv2UiMain.cpp)
endif()
