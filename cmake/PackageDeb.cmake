# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, built by `./package deb` (scripts/package-deb.sh) as
# `cpack -G DEB` in a build folder configured with the prefix /usr.
if(NOT (UNIX AND NOT APPLE))
  return()
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vusk <games@vusk.example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vusk.example.org/")
# The synopsis line is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vusk sandwich is a small incremental clicker game in a single window. You
start with 100 vusk and spend it on producers that earn vusk every second.
Every purchase makes the next one of its kind a little dearer. Games are saved
to small text files, and buying the Vusk UFO ends the game with a short story.")

# The libraries come from dpkg-shlibdeps; Qt's X11 platform plugin comes with
# libqt6gui6. The captions are measured in Liberation Sans, which stands in for
# the window's "MS Sans Serif": in another face they no longer fit their boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")

set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian wants in /usr/share/doc/<package>: the copyright and a changelog,
# compressed without a name or time stamp in the gzip header.
execute_process(COMMAND date -u -R -d "${VUSK_RELEASE_DATE}"
  OUTPUT_VARIABLE VUSK_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(changelog ${PROJECT_BINARY_DIR}/deb/changelog)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${changelog} @ONLY)
find_program(VUSK_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${VUSK_GZIP} -9nf -k ${changelog}
  DEPENDS ${changelog}
  VERBATIM)
add_custom_target(vusk-deb-changelog ALL DEPENDS ${changelog}.gz)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright DESTINATION ${docdir})
install(FILES ${changelog}.gz DESTINATION ${docdir})

# A stripped executable also loses the compilers' version notes, as Debian's own
# packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VUSK_INSTALL_BINDIR}/$<TARGET_FILE_NAME:vusk-sandwich>\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
