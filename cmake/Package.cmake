# `cpack -G DEB` in a release build: build/gamefold_<version>_amd64.deb (see `make package`).
option(GAMEFOLD_DEBIAN_PACKAGE "Lay out the install for the Debian package" OFF)

set(CPACK_PACKAGE_NAME gamefold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${GAMEFOLD_MAINTAINER_NAME}")
set(CPACK_PACKAGE_CONTACT "${GAMEFOLD_MAINTAINER_NAME} <${GAMEFOLD_MAINTAINER_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn baseball boxscore files into linked web pages")
set(CPACK_PACKAGE_DESCRIPTION [=[
A baseball league, real or simulated, writes one plain-text boxscore file
per game. Gamefold lists the game days that have boxscores but no web page
yet, lets you pick days, and writes one HTML page per day: the date as a
heading, one link per game titled with the two teams and their runs, and
the games' boxscores, scoresheets and logs as you choose. It also writes a
month-calendar index of the year that links every day page.

The package holds the window (gamefold, with a menu entry), the same jobs
for scripts (gamefold-batch) and a generator of sample seasons to try them
on (gamefold-sample-season).]=])
set(CPACK_STRIP_FILES ON)
set(GAMEFOLD_PACKAGE_OUTPUT_DIR ${CMAKE_BINARY_DIR} CACHE PATH "Where cpack writes the package")
set(CPACK_OUTPUT_FILE_PREFIX ${GAMEFOLD_PACKAGE_OUTPUT_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Version 1.0.0-1: the project's version, then the package's own revision.
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(gamefold_debian_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

if(GAMEFOLD_DEBIAN_PACKAGE)
  # Debian's documents: the copyright file (which carries the license) and the changelog,
  # compressed without a time stamp.
  set(gamefold_doc_build ${CMAKE_BINARY_DIR}/packaging)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright ${gamefold_doc_build}/copyright @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${gamefold_doc_build}/changelog.Debian
                 @ONLY)
  add_custom_command(
    OUTPUT ${gamefold_doc_build}/changelog.Debian.gz
    COMMAND ${GAMEFOLD_GZIP} -9nkf ${gamefold_doc_build}/changelog.Debian
    DEPENDS ${gamefold_doc_build}/changelog.Debian)
  add_custom_target(gamefold_debian_changelog ALL DEPENDS ${gamefold_doc_build}/changelog.Debian.gz)
  install(FILES ${gamefold_doc_build}/copyright ${gamefold_doc_build}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  if(EXISTS ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME gamefold)
  endif()
endif()

include(CPack)
