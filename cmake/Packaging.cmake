# Installation (cmake --install, DESTDIR and CMAKE_INSTALL_PREFIX honoured) and
# the Debian package (cpack -G DEB, scripts/package.sh). Linux only: the
# Windows archive is put together by scripts/package.sh from the cross builds.
#
# The plug-ins go to lib/vst and lib/lv2 under the prefix, not to the multiarch
# library folder: those are the folders Linux hosts scan.
set(CMAKE_INSTALL_DOCDIR share/doc/zintra CACHE PATH "Documentation folder (README, licence)")
include(GNUInstallDirs)

# Plug-in modules are loaded, never run: no execute bit.
set(QUIBO_MODULE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(TARGETS Zintra LIBRARY DESTINATION ${QUIBO_VST_INSTALL_DIR} PERMISSIONS ${QUIBO_MODULE_PERMISSIONS})
install(TARGETS zintra_lv2 LIBRARY DESTINATION ${QUIBO_LV2_INSTALL_DIR} PERMISSIONS ${QUIBO_MODULE_PERMISSIONS})
install(FILES ${QUIBO_LV2_TURTLE} DESTINATION ${QUIBO_LV2_INSTALL_DIR})
# The plug-in with the headless window backend, whose panel the installed
# zintra-host clicks and photographs: a module of the host's own, no plug-in a
# host should find, hence not in lib/vst.
if(TARGET zintra_headless_plugin)
  install(TARGETS zintra_headless_plugin LIBRARY DESTINATION ${QUIBO_HEADLESS_INSTALL_DIR}
          PERMISSIONS ${QUIBO_MODULE_PERMISSIONS})
endif()

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
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The licence and the changelog as they are, for a plain cmake --install only
# (component plain, which the package leaves out): the package holds them in
# Debian's form, the licence in its copyright file and the changelog as
# changelog.gz (below).
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT plain)

# The Debian package's own documents: the machine-readable copyright file, the
# package's changelog (changelog.Debian.gz, as in every package with a Debian
# revision), the upstream changelog as changelog.gz and lintian's overrides.
# Only the package installs them (component debian, which the package holds
# with the default one, below); a plain cmake --install leaves them out.
set(QUIBO_DEBIAN_REVISION 1 CACHE STRING "The Debian revision of the package: its version is <version>-<revision>")
set(QUIBO_PACKAGE_MAINTAINER "Ferrowick <zintra@ferrowick.example>"
    CACHE STRING "The package's Maintainer (and its changelog's signer): name <address>")
set(QUIBO_DEBIAN_VERSION ${PROJECT_VERSION}-${QUIBO_DEBIAN_REVISION})
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/CHANGELOG.md ${CMAKE_BINARY_DIR}/debian/changelog COPYONLY)
set(QUIBO_DEBIAN_CHANGELOGS)
foreach(changelog changelog.Debian changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/${changelog}.gz
                     COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/debian/${changelog}
                     DEPENDS ${CMAKE_BINARY_DIR}/debian/${changelog}
                     COMMENT "Compressing the package's ${changelog}")
  list(APPEND QUIBO_DEBIAN_CHANGELOGS ${CMAKE_BINARY_DIR}/debian/${changelog}.gz)
endforeach()
add_custom_target(zintra_debian_changelog ALL DEPENDS ${QUIBO_DEBIAN_CHANGELOGS})
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${QUIBO_DEBIAN_CHANGELOGS}
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME zintra COMPONENT debian EXCLUDE_FROM_ALL)

# --- the Debian package --------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zintra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The vendor as the product's identity names it (common/ProductIdentity.h).
file(STRINGS ${CMAKE_SOURCE_DIR}/common/ProductIdentity.h QUIBO_VENDOR REGEX "kVendor = \"")
string(REGEX REPLACE ".*kVendor = \"([^\"]*)\".*" "\\1" QUIBO_VENDOR "${QUIBO_VENDOR}")
set(CPACK_PACKAGE_VENDOR "${QUIBO_VENDOR}")
set(CPACK_PACKAGE_CONTACT "${QUIBO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUIBO_DEBIAN_REVISION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pocket keyboard with a calculator, as VST 2 and LV2 plug-ins")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Stripped as Debian's own packages are: without the compilers' .comment
# sections (cmake/DebianStrip.cmake, on the staged files).
set(CPACK_ZINTRA_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianStrip.cmake)
# CPack adds maintainer scripts calling ldconfig for any shared object under
# /usr/lib. The package's modules have no soname, nothing links them and hosts
# load them by path, so the loader's cache never holds them:
# cmake/DebianNoLdconfig.cmake takes those scripts out of the finished package.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianNoLdconfig.cmake)
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
with its panel (/usr/lib/lv2/Zintra.lv2), the standalone player zintra (on JACK
or ALSA) and the command-line host zintra-host.")
include(CPack)
