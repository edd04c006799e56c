# The LV2 front (quibo_lv2) on the instrument's interface and Debian's LV2
# headers, and the bundle Zintra.lv2: manifest.ttl, zintra.ttl, presets.ttl
# and one binary, zintra.so, holding the plug-in and its panel's UI.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LV2 REQUIRED IMPORTED_TARGET lv2)
quibo_layer(quibo_lv2 host/lv2 quibo_instrument_api PkgConfig::LV2)

set(QUIBO_LV2_BUNDLE ${CMAKE_BINARY_DIR}/Zintra.lv2)
set(QUIBO_LV2_SOURCES ${CMAKE_SOURCE_DIR}/host/lv2/Lv2PluginMain.cpp ${CMAKE_SOURCE_DIR}/plugin/PluginFactory.cpp)
# The panel's UI (host/lv2/ui/Lv2Ui.cmake) in the same binary.
list(APPEND QUIBO_LV2_SOURCES ${QUIBO_LV2_UI_MAIN})
add_library(zintra_lv2 MODULE ${QUIBO_LV2_SOURCES})
target_link_libraries(zintra_lv2 PRIVATE quibo_lv2 quibo_lv2_ui quibo_host quibo_editor quibo_gui)
quibo_strict_warnings(zintra_lv2)
quibo_bitmap_resources(zintra_lv2 ${CMAKE_SOURCE_DIR}/resources/bmp DOUBLE ${CMAKE_SOURCE_DIR}/resources/bmp2x)
target_link_options(zintra_lv2 PRIVATE LINKER:--as-needed
                    LINKER:--version-script=${CMAKE_SOURCE_DIR}/host/lv2/Lv2Exports.map)
set_property(TARGET zintra_lv2 APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/host/lv2/Lv2Exports.map)
set_target_properties(zintra_lv2 PROPERTIES PREFIX "" OUTPUT_NAME zintra LIBRARY_OUTPUT_DIRECTORY ${QUIBO_LV2_BUNDLE}
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

# The Turtle comes from the instrument's own names, values and programs.
add_executable(zintra-lv2ttl ${CMAKE_SOURCE_DIR}/tools/lv2ttl/main.cpp)
target_link_libraries(zintra-lv2ttl PRIVATE quibo_host)
target_include_directories(zintra-lv2ttl PRIVATE ${CMAKE_SOURCE_DIR}/host/lv2)
quibo_strict_warnings(zintra-lv2ttl)
set(QUIBO_LV2_TURTLE ${QUIBO_LV2_BUNDLE}/manifest.ttl ${QUIBO_LV2_BUNDLE}/zintra.ttl ${QUIBO_LV2_BUNDLE}/presets.ttl)
add_custom_command(OUTPUT ${QUIBO_LV2_TURTLE}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${QUIBO_LV2_BUNDLE}
                   COMMAND zintra-lv2ttl ${QUIBO_LV2_BUNDLE} $<TARGET_FILE_NAME:zintra_lv2>
                   DEPENDS zintra-lv2ttl
                   COMMENT "Writing the LV2 bundle's Turtle")
add_custom_target(zintra_lv2_turtle DEPENDS ${QUIBO_LV2_TURTLE})
add_dependencies(zintra_lv2 zintra_lv2_turtle)
