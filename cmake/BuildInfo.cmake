# Who users write to: the window's error report asks them to, and the package names the same
# person as its maintainer. Set once here (or with -D at configure time) so the two never differ.
set(GAMEFOLD_MAINTAINER_NAME "Gamefold Maintainers" CACHE STRING
    "Name of the maintainer, in the package's Maintainer field")
set(GAMEFOLD_MAINTAINER_EMAIL "maintainers@gamefold.org" CACHE STRING
    "Address that the error report asks users to write to; the package's Maintainer address")
# The address ends up in a C++ string literal and in the package's control file.
if(NOT GAMEFOLD_MAINTAINER_EMAIL MATCHES "^[A-Za-z0-9._+-]+@[A-Za-z0-9.-]+$")
  message(FATAL_ERROR "GAMEFOLD_MAINTAINER_EMAIL is not a plain e-mail address: "
                      "${GAMEFOLD_MAINTAINER_EMAIL}")
endif()
if(GAMEFOLD_MAINTAINER_NAME MATCHES "[\"\\\\<>\n]")
  message(FATAL_ERROR "GAMEFOLD_MAINTAINER_NAME may not hold quotes, backslashes or angle brackets")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/build_info.h.in
               ${CMAKE_BINARY_DIR}/generated/build_info.h @ONLY)
# build_info.h, for whatever links it (src/core's failure.h, and through it every library).
add_library(gamefold_build_info INTERFACE)
target_include_directories(gamefold_build_info INTERFACE ${CMAKE_BINARY_DIR}/generated)

# The documents go where Debian looks for them, under the package's name in lower case. Set
# before anything (Qt's package files among them) includes GNUInstallDirs, which would take the
# project's name as it is spelt.
# GNUInstallDirs leaves an empty entry in the cache when it chose the folder itself.
if(NOT CMAKE_INSTALL_DOCDIR)
  set(CMAKE_INSTALL_DOCDIR share/doc/gamefold CACHE PATH "Documentation root" FORCE)
endif()
