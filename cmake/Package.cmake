# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# What players install. The settings shared by every package come first; each
# kind of package has its own file beside this one.
set(CPACK_PACKAGE_NAME vusk-sandwich)
set(CPACK_PACKAGE_VENDOR "vusk")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Incremental clicker game about collecting vusk")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)

include(${CMAKE_CURRENT_LIST_DIR}/PackageDeb.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/PackageWindows.cmake OPTIONAL)

include(CPack)
