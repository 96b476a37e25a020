# What `cmake --install` puts in place: the programs, the menu entry with its launcher, the
# AppStream data, the icon, the manual pages, the shell completion and the documents.
include(GNUInstallDirs)

set(gamefold_programs gamefold-batch gamefold-sample-season)
if(TARGET gamefold)
  list(APPEND gamefold_programs gamefold)
endif()
install(TARGETS ${gamefold_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The network side of publish, which gamefold-batch starts; not a command of its own.
if(TARGET gamefold-publish-remote)
  install(TARGETS gamefold-publish-remote RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/gamefold)
endif()

set(gamefold_data ${CMAKE_SOURCE_DIR}/data)
set(gamefold_generated ${CMAKE_BINARY_DIR}/data)
set(GAMEFOLD_APP_ID org.gamefold.Gamefold)

if(TARGET gamefold)
  # The menu starts the window through the launcher, in the user's own data folder.
  set(GAMEFOLD_LAUNCHER ${CMAKE_INSTALL_FULL_LIBEXECDIR}/gamefold/gamefold-launcher)
  configure_file(${gamefold_data}/gamefold-launcher.in ${gamefold_generated}/gamefold-launcher
                 @ONLY)
  install(PROGRAMS ${gamefold_generated}/gamefold-launcher
          DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/gamefold)
  configure_file(${gamefold_data}/${GAMEFOLD_APP_ID}.desktop.in
                 ${gamefold_generated}/${GAMEFOLD_APP_ID}.desktop @ONLY)
  install(FILES ${gamefold_generated}/${GAMEFOLD_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${gamefold_data}/${GAMEFOLD_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${gamefold_data}/icons/gamefold.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 128 256)
    install(FILES ${gamefold_data}/icons/gamefold-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME gamefold.png)
  endforeach()
endif()

# Manual pages carry the version and the maintainer address; installed compressed, as Debian
# wants them (gzip -n: no name or time stamp, so that two builds give the same bytes).
find_program(GAMEFOLD_GZIP gzip REQUIRED)
set(gamefold_man_pages gamefold-batch gamefold-sample-season)
if(TARGET gamefold)
  list(APPEND gamefold_man_pages gamefold)
endif()
set(gamefold_man_outputs)
foreach(page ${gamefold_man_pages})
  configure_file(${gamefold_data}/man/${page}.1 ${gamefold_generated}/man/${page}.1 @ONLY)
  add_custom_command(
    OUTPUT ${gamefold_generated}/man/${page}.1.gz
    COMMAND ${GAMEFOLD_GZIP} -9nkf ${gamefold_generated}/man/${page}.1
    DEPENDS ${gamefold_generated}/man/${page}.1
    COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND gamefold_man_outputs ${gamefold_generated}/man/${page}.1.gz)
endforeach()
add_custom_target(gamefold_man_pages ALL DEPENDS ${gamefold_man_outputs})
install(FILES ${gamefold_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${gamefold_data}/completion/gamefold-batch
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/tools/sample/vuzad.css
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Example systemd user units for unattended publishing, with the path of the installed program.
foreach(unit gamefold-watch.service gamefold-publish.service gamefold-publish.timer)
  configure_file(${gamefold_data}/systemd/${unit} ${gamefold_generated}/systemd/${unit} @ONLY)
  install(FILES ${gamefold_generated}/systemd/${unit}
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/systemd)
endforeach()
# The Debian package carries the license in its copyright file instead (Package.cmake).
if(NOT GAMEFOLD_DEBIAN_PACKAGE)
  install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

if(GAMEFOLD_TESTS AND TARGET gamefold)
  add_test(NAME data_files_test
           COMMAND ${CMAKE_SOURCE_DIR}/packaging/check-data-files.sh
                   ${gamefold_generated}/${GAMEFOLD_APP_ID}.desktop
                   ${gamefold_data}/${GAMEFOLD_APP_ID}.metainfo.xml
                   ${GAMEFOLD_LAUNCHER} ${PROJECT_VERSION})
endif()
