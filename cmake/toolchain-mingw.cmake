# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for Windows with Debian's MinGW-w64 (the posix thread model, which
# std::thread and Qt need). Set VUSK_MINGW_ARCH (x86_64 or i686) before including this
# file; toolchain-mingw-<arch>.cmake do that.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VUSK_MINGW_ARCH})
set(_triple ${VUSK_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
