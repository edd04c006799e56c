# Installation (cmake --install, DESTDIR and CMAKE_INSTALL_PREFIX honoured) and
# the Debian package (cpack -G DEB, scripts/package.sh). Linux only: the
# Windows archive is put together by scripts/package.sh from the cross builds.
#
# The plug-ins go to lib/vst and lib/lv2 under the prefix, not to the multiarch
# library folder: those are the folders Linux hosts scan.
set(CMAKE_INSTALL_DOCDIR share/doc/zintra CACHE PATH "Documentation folder (README, licence)")
include(GNUInstallDirs)

set(QUIBO_VST_INSTALL_DIR lib/vst)
set(QUIBO_LV2_INSTALL_DIR lib/lv2/Zintra.lv2)
# Plug-in modules are loaded, never run: no execute bit.
set(QUIBO_MODULE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(TARGETS Zintra LIBRARY DESTINATION ${QUIBO_VST_INSTALL_DIR} PERMISSIONS ${QUIBO_MODULE_PERMISSIONS})
install(TARGETS zintra_lv2 LIBRARY DESTINATION ${QUIBO_LV2_INSTALL_DIR} PERMISSIONS ${QUIBO_MODULE_PERMISSIONS})
install(FILES ${QUIBO_LV2_TURTLE} DESTINATION ${QUIBO_LV2_INSTALL_DIR})

# Manual pages: the version filled in, compressed as Debian wants them (gzip
# -n: no name or time stamp in the file, so every build makes the same bytes).
set(QUIBO_MAN_PAGES)
foreach(program zintra zintra-host)
  if(TARGET ${program})
    list(APPEND QUIBO_MAN_PAGES ${program})
  endif()
endforeach()
set(QUIBO_MAN_FILES)
foreach(page ${QUIBO_MAN_PAGES})
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
                     COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/man/${page}.1
                     DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
                     COMMENT "Compressing the manual page ${page}.1")
  list(APPEND QUIBO_MAN_FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(zintra_man_pages ALL DEPENDS ${QUIBO_MAN_FILES})
install(FILES ${QUIBO_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET zintra-host)
  install(TARGETS zintra-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET zintra)
  install(TARGETS zintra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/player/zintra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 48 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zintra-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zintra.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zintra.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package's own documents: the machine-readable copyright file and
# the package's changelog. Only the package installs them (component debian,
# which the package holds with the default one, below); a plain cmake
# --install leaves them out.
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                   COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/debian/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
                   COMMENT "Compressing the Debian changelog")
add_custom_target(zintra_debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# --- the Debian package --------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zintra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Zintra authors")
set(CPACK_PACKAGE_CONTACT "the Zintra authors <authors@zintra.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pocket keyboard with a calculator, as VST 2 and LV2 plug-ins")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The player plays through a JACK server when one runs (either will do), else
# on the ALSA device (libasound2, which dpkg-shlibdeps finds).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "jackd2 | pipewire-jack")
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the text under it.
set(CPACK_PACKAGE_DESCRIPTION
    "Zintra is a software instrument modelled on a pocket keyboard with a
built-in calculator: a monophonic square-wave voice with ten sounds, an
envelope, vibrato and tremolo; a rhythm box with ten patterns; a melody
recorder; an eight-digit calculator; an LCD display and a bitmap front panel
played with the mouse.
.
This package holds the VST 2 plug-in (/usr/lib/vst/Zintra.so), the LV2 bundle
with its panel (/usr/lib/lv2/Zintra.lv2), the standalone player zintra (JACK or ALSA)
and the command-line host zintra-host.")
include(CPack)
