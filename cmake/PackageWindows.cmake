# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows game: the executable with the Qt libraries, the plugins it loads and the
# compiler's runtime beside it, packed as a portable zip and as an NSIS installer.
# scripts/package-windows.sh builds both with `cpack -G "ZIP;NSIS"`.
if(NOT WIN32)
  return()
endif()

# Qt and its plugins, from the Qt this build uses.
set(_vusk_qt_dlls Qt6::Core Qt6::Gui Qt6::Widgets)
foreach(_lib IN LISTS _vusk_qt_dlls)
  install(FILES $<TARGET_FILE:${_lib}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

# The MinGW runtime that the executable and Qt link against.
if(MINGW)
  foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${_path}")
      # libwinpthread lives with the target's libraries, not the compiler's.
      find_file(_path_${_dll} ${_dll} PATHS ${CMAKE_FIND_ROOT_PATH} PATH_SUFFIXES lib bin NO_DEFAULT_PATH)
      set(_path "${_path_${_dll}}")
    endif()
    if(EXISTS "${_path}")
      install(FILES "${_path}" DESTINATION .)
    endif()
  endforeach()
endif()

# Beside the game, for a player to read: its licence and a README, with Windows line ends,
# and the notice with the licence texts of all else the packages hold. The notice tells
# what Qt and the runtime were built from, so scripts/package-windows.sh writes it
# (scripts/windows-notices.sh) and passes its folder as VUSK_WINDOWS_NOTICES.
set(_vusk_texts ${CMAKE_CURRENT_BINARY_DIR}/windows-texts)
file(READ ${PROJECT_SOURCE_DIR}/LICENSES/GPL-3.0-or-later.txt _text)
string(REPLACE "\n" "\r\n" _text "${_text}")
file(WRITE ${_vusk_texts}/LICENSE.txt "${_text}")
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/README.txt.in ${_vusk_texts}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${_vusk_texts}/LICENSE.txt ${_vusk_texts}/README.txt DESTINATION .)
if(VUSK_WINDOWS_NOTICES)
  install(FILES ${VUSK_WINDOWS_NOTICES}/NOTICE.txt DESTINATION .)
  install(DIRECTORY ${VUSK_WINDOWS_NOTICES}/licenses DESTINATION .)
else()
  message(WARNING "VUSK_WINDOWS_NOTICES is not set: the packages lack NOTICE.txt and the "
                  "licences of Qt and the MinGW runtime (scripts/package-windows.sh sets it)")
endif()

# Nothing in the packages needs its symbols.
if(CMAKE_STRIP)
  install(CODE "
    file(GLOB_RECURSE _dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.exe\")
    foreach(_dll IN LISTS _dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-all \"\${_dll}\")
    endforeach()")
endif()

set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vusk sandwich")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  # The 64-bit game's installer is a 64-bit program too: it sees the real Program Files
  # and the 64-bit registry, and it runs where 32-bit programs do not. makensis must meet
  # the target before anything else in the script: named after InstallDir, where
  # CPACK_NSIS_DEFINES would put it, the installer's $PROGRAMFILES64 is the 32-bit
  # Program Files (x86). So CPack is given CMake's own script template with the target
  # as its second line, after the comment that opens it (and carries its byte-order mark).
  file(READ "${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in" _nsis_template)
  string(FIND "${_nsis_template}" "\n" _first_line_end)
  math(EXPR _first_line_end "${_first_line_end} + 1")
  string(SUBSTRING "${_nsis_template}" 0 ${_first_line_end} _nsis_head)
  string(SUBSTRING "${_nsis_template}" ${_first_line_end} -1 _nsis_rest)
  file(WRITE "${PROJECT_BINARY_DIR}/nsis-template/NSIS.template.in"
    "${_nsis_head}  Target amd64-unicode\n${_nsis_rest}")
  list(APPEND CMAKE_MODULE_PATH "${PROJECT_BINARY_DIR}/nsis-template")
  # Earlier installers of this game were 32-bit programs, whose entries (Apps & features,
  # the install folder) live in the 32-bit view of the registry; their files were already
  # where this one puts its own. This install's entries replace them, so they go, or the
  # game would be listed twice.
  set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "  SetRegView 32
  DeleteRegKey HKLM 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\${CPACK_PACKAGE_INSTALL_DIRECTORY}'
  DeleteRegKey HKLM 'Software\\\\${CPACK_PACKAGE_VENDOR}\\\\${CPACK_PACKAGE_INSTALL_DIRECTORY}'
  DeleteRegKey /ifempty HKLM 'Software\\\\${CPACK_PACKAGE_VENDOR}'
  SetRegView 64")
else()
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_PACKAGE_EXECUTABLES vusk-sandwich "Vusk sandwich")
set(CPACK_NSIS_PACKAGE_NAME "Vusk sandwich")
set(CPACK_NSIS_DISPLAY_NAME "Vusk sandwich")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME vusk-sandwich.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/vusk-sandwich.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/vusk-sandwich.ico)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN vusk-sandwich.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The installer's licence page, before it installs anything.
set(CPACK_RESOURCE_FILE_LICENSE ${_vusk_texts}/LICENSE.txt)
set(CPACK_NSIS_URL_INFO_ABOUT ${VUSK_WEBSITE})
# The uninstaller deletes the key Software\<vendor>\<install folder> but not the vendor's
# key above it, which the installer made too: delete that as well when it is empty. (NSIS
# takes single quotes too; double ones would not survive CPack's configuration file.)
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'")
# The installer is named ...-setup.exe; the zip keeps the plain name.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageWindowsPerGenerator.cmake)
