# What `cmake --install` puts where, and the Debian package made from exactly that.
# Included at the end of the top-level CMakeLists.txt, once every target exists.
#
# The programs find their description files at ../share/drive-setting/ from their
# own folder (resources/Paths.cpp), so the two folders below must keep that shape.
include(GNUInstallDirs)
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
  message(WARNING "The installed programs look for ../share/drive-setting/ beside bin/; "
                  "CMAKE_INSTALL_BINDIR=${CMAKE_INSTALL_BINDIR} and CMAKE_INSTALL_DATADIR=${CMAKE_INSTALL_DATADIR} break that")
endif()

set(DS_PACKAGE drive-setting)
set(DS_DESKTOP_ID Quorvel.DravomixSetting.Lite.Ver1)  # what ui/App.cpp sets as the desktop file name
set(DS_APPSTREAM_ID example.quorvel.drivesetting)     # AppStream wants a lower-case domain
set(DS_RELEASE_DATE 2026-12-09)
set(DS_RELEASE_DATE_RFC "Wed, 09 Dec 2026 00:00:00 +0000")
set(DS_DEB_MAINTAINER "Quorvel Drive Setting developers <drive-setting@quorvel.example>")
set(DS_DEB_RELEASE 1)
set(DS_DEB_VERSION "${PROJECT_VERSION}-${DS_DEB_RELEASE}")
set(DS_PKG_DIR ${CMAKE_BINARY_DIR}/package)
set(DS_SRC_PKG ${PROJECT_SOURCE_DIR}/packaging)
set(DS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${DS_PACKAGE})
# Folders 0755, as Debian wants them, whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- the programs and their data -------------------------------------------------
install(TARGETS drive-setting-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET drive-setting)
  install(TARGETS drive-setting RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The simulated drive, so an installed program can be tried without hardware: the
# build's simdrive under a name in /usr/bin that says whose it is (a target of its
# own, so it is stripped like the others).
if(TARGET simdrive)
  add_executable(drive-setting-simdrive ${PROJECT_SOURCE_DIR}/tools/simdrive_main.cpp)
  target_link_libraries(drive-setting-simdrive PRIVATE simdrive_lib drivecore)
  install(TARGETS drive-setting-simdrive RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/ParamDefault.xml ${PROJECT_SOURCE_DIR}/resources/ParamDefault_QM71.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/${DS_PACKAGE})

# --- man pages, gzipped as Debian ships them (-n: no time stamp, the same bytes every build)
find_program(DS_GZIP gzip REQUIRED)
set(DS_MAN_PAGES)
foreach(page drive-setting drive-setting-simdrive)
  add_custom_command(OUTPUT ${DS_PKG_DIR}/${page}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DS_PKG_DIR}
    COMMAND ${DS_GZIP} -9n -c ${DS_SRC_PKG}/${page}.1 > ${DS_PKG_DIR}/${page}.1.gz
    DEPENDS ${DS_SRC_PKG}/${page}.1 VERBATIM)
  list(APPEND DS_MAN_PAGES ${DS_PKG_DIR}/${page}.1.gz)
endforeach()
# cli/CMakeLists.txt makes the command-line program's page with help2man.
if(TARGET drive-setting-cli-man)
  set(DS_CLI_MAN_PAGE ${CMAKE_BINARY_DIR}/man/drive-setting-cli.1)
  add_custom_command(OUTPUT ${DS_PKG_DIR}/drive-setting-cli.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DS_PKG_DIR}
    COMMAND ${DS_GZIP} -9n -c ${DS_CLI_MAN_PAGE} > ${DS_PKG_DIR}/drive-setting-cli.1.gz
    DEPENDS ${DS_CLI_MAN_PAGE} drive-setting-cli-man VERBATIM)
  list(APPEND DS_MAN_PAGES ${DS_PKG_DIR}/drive-setting-cli.1.gz)
else()
  message(STATUS "No man page of drive-setting-cli to install (help2man missing)")
endif()
install(FILES ${DS_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- desktop entry, AppStream metainfo, icons ---------------------------------------
configure_file(${DS_SRC_PKG}/${DS_APPSTREAM_ID}.metainfo.xml.in ${DS_PKG_DIR}/${DS_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${DS_SRC_PKG}/${DS_DESKTOP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${DS_PKG_DIR}/${DS_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# One drawing, every size rendered from it at build time by librsvg's rsvg-convert
# (it draws SVG the way the desktop's own icon loaders do; ImageMagick's own SVG
# reader draws strokes and curves less faithfully).
set(DS_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/drive-setting.svg)
set(DS_ICON_THEME ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${DS_ICON_SVG} DESTINATION ${DS_ICON_THEME}/scalable/apps)
find_program(DS_RSVG rsvg-convert)
if(DS_RSVG)
  set(DS_ICON_PNGS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${DS_PKG_DIR}/icons/${size}x${size}/drive-setting.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${DS_PKG_DIR}/icons/${size}x${size}
      COMMAND ${DS_RSVG} --width=${size} --height=${size} --output=${png} ${DS_ICON_SVG}
      DEPENDS ${DS_ICON_SVG} VERBATIM)
    list(APPEND DS_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${DS_ICON_THEME}/${size}x${size}/apps)
  endforeach()
else()
  message(STATUS "rsvg-convert not found (librsvg2-bin): only the scalable icon is installed")
endif()

# --- Debian's changelog and copyright -----------------------------------------------
configure_file(${DS_SRC_PKG}/changelog.in ${DS_PKG_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${DS_PKG_DIR}/changelog.Debian.gz
  COMMAND ${DS_GZIP} -9n -c ${DS_PKG_DIR}/changelog.Debian > ${DS_PKG_DIR}/changelog.Debian.gz
  DEPENDS ${DS_PKG_DIR}/changelog.Debian VERBATIM)
install(FILES ${DS_PKG_DIR}/changelog.Debian.gz ${DS_SRC_PKG}/copyright DESTINATION ${DS_DOC_DIR})

add_custom_target(install-data ALL DEPENDS ${DS_MAN_PAGES} ${DS_ICON_PNGS} ${DS_PKG_DIR}/changelog.Debian.gz)

# --- the Debian package -------------------------------------------------------------
# CPack's DEB generator, not a debian/ folder for dpkg-buildpackage: the install rules
# above are the one list of what is shipped, and the package is made from them in any
# build folder without root, a source package or debhelper. A debian/ folder would be
# a second description of the same files to keep in step.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${DS_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT "${DS_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setting tool for servo drives over RS-232")
# CPack puts the summary first and indents these lines itself; an empty line
# becomes the " ." of a new paragraph.
set(CPACK_PACKAGE_DESCRIPTION "A window and a command-line program that read a servo drive's parameters
over a serial port, write them one at a time, save them all to a drive
parameter file, load such a file into other drives, compare a drive with a
file, and import and export motor databases. A simulated drive
(drive-setting-simdrive) lets both be tried without hardware.

Serial ports belong to the dialout group: users of the program must be
members of it (sudo usermod -aG dialout USER, then log in again).")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${DS_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps, from dpkg-dev
# What a Korean session needs: Qt's own dialogs and buttons in Korean, and a font
# with Hangul (without one every Korean text is boxes).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-nanum | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/deb)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
