# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the Windows game under Wine (after scripts/deps.sh).
#
#   vusk_need_wine            installs Wine; where the machine runs 32-bit programs, with
#                             its i386 half too (Debian's wine32:i386), without which Wine
#                             runs no 32-bit program (the 32-bit game and its installer)
#   vusk_wine_prefix DIR ARCH makes DIR a working Wine prefix for ARCH (x86_64 or i686) and
#                             exports what Wine needs to use it quietly
#   vusk_wine_runs_32bit      whether this machine runs 32-bit programs at all
#   vusk_wine_can_run ARCH    whether ARCH's programs run here; says why not

vusk_need_wine() {
    local packages=(wine wine64)
    # Where no 32-bit program runs, nothing of i386 is of use, and apt's lists of it are not
    # even fetched.
    if vusk_wine_runs_32bit; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            local sudo=""
            [ "$(id -u)" -ne 0 ] && sudo="sudo"
            $sudo dpkg --add-architecture i386
            # vusk_need updates apt's lists before it installs; the new architecture needs that.
        fi
        packages+=(wine32:i386)
    fi
    vusk_need "${packages[@]}"
    vusk_wine_use_64bit_loader_alone
}

# Some kernels run 64-bit programs only (IA-32 emulation switched off: every 32-bit program
# fails with "Exec format error"). Debian's `wine` and its tools (wineboot, winepath, ...
# through wine-stable) take the 32-bit loader when wine32 is installed, and ask for it when
# it is not, so there they are put in front of PATH as small scripts that start the 64-bit
# loader itself. Such a machine runs the 64-bit game and its 64-bit installer, and no
# 32-bit program.
#
# Whether the kernel runs one is asked of the smallest 32-bit program, which only exits,
# made with the host's binutils (there with g++). Without them the answer is yes, as on
# most machines.
vusk_wine_runs_32bit() {
    if [ -z "${vusk_runs_32bit:-}" ]; then
        local dir
        dir=$(mktemp -d)
        vusk_runs_32bit=yes
        if printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' \
               > "$dir/exit.s" \
           && as --32 -o "$dir/exit.o" "$dir/exit.s" 2>/dev/null \
           && ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" 2>/dev/null \
           && ! "$dir/exit" 2>/dev/null; then
            vusk_runs_32bit=no
        fi
        rm -rf "$dir"
    fi
    [ "$vusk_runs_32bit" = yes ]
}

# Says why when ARCH's programs cannot run here.
vusk_wine_can_run() {  # ARCH
    [ "$1" != i686 ] || vusk_wine_runs_32bit && return 0
    echo "This machine runs no 32-bit programs (IA-32 emulation is off in its kernel), so the" >&2
    echo "32-bit game cannot be tested here: build it on a machine that runs them." >&2
    return 1
}

vusk_wine_use_64bit_loader_alone() {
    vusk_wine_runs_32bit && return 0
    local bin=${TMPDIR:-/tmp}/vusk-wine64-$(id -u) name
    mkdir -p "$bin"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' > "$bin/$name"
        chmod +x "$bin/$name"
    done
    case ":$PATH:" in *":$bin:"*) ;; *) export PATH=$bin:$PATH ;; esac
    echo "== This machine runs no 32-bit programs: Wine runs 64-bit programs alone"
}

# Both halves must answer, where the machine runs 32-bit programs: a prefix made before the
# i386 half was installed lacks its 32-bit system, and every 32-bit program then stops with
# "could not load kernel32.dll".
vusk_wine_works() {
    local out cmd32=
    out=$(wine cmd.exe /c echo vusk-wine-ok 2>&1 </dev/null) || true
    vusk_wine_said=$out
    [[ "$out" == *vusk-wine-ok* && "$out" != *"could not load kernel32.dll"* ]] || return 1
    if [ "$WINEARCH" = win64 ] && vusk_wine_runs_32bit; then
        cmd32=$WINEPREFIX/drive_c/windows/syswow64/cmd.exe
        [ -f "$cmd32" ] || return 1
        out=$(wine 'C:\windows\syswow64\cmd.exe' /c echo vusk-wine-ok 2>&1 </dev/null) || true
        vusk_wine_said=$out
        [[ "$out" == *vusk-wine-ok* && "$out" != *"could not load kernel32.dll"* ]] || return 1
    fi
    return 0
}

vusk_wine_prefix() {  # DIR ARCH
    vusk_wine_can_run "$2" || return 1
    export WINEPREFIX=$1
    export WINEARCH=$([ "$2" = i686 ] && echo win32 || echo win64)
    export WINEDEBUG=-all
    # No Mono or Gecko install dialogs, and no menu entries or file types on the host.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    local try
    # A first start of Wine on a busy machine has been seen to fail once: three tries.
    for try in 1 2 3; do
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "== Creating the Wine prefix $WINEPREFIX"
            wineboot -i > /dev/null 2>&1 || true
            wineserver -w
        fi
        vusk_wine_works && { wineserver -w; return 0; }
        echo "== The Wine prefix $WINEPREFIX does not run programs (made before Wine's i386 half?): making it again"
        echo "   Wine said: ${vusk_wine_said:0:400}"
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    done
    echo "Wine does not run programs in a new prefix $WINEPREFIX" >&2
    return 1
}
