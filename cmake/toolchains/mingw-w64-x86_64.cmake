# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the POSIX thread model,
# which std::thread and std::mutex need). PCRE2, GoogleTest and Qt come from VELMORA_WINDOWS_DEPS, where
# scripts/build-windows-deps.sh builds them from Debian's own sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT VELMORA_WINDOWS_DEPS)
    set(VELMORA_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../../build/windows-deps/prefix")
endif()
get_filename_component(VELMORA_WINDOWS_DEPS "${VELMORA_WINDOWS_DEPS}" ABSOLUTE)
set(VELMORA_WINDOWS_DEPS "${VELMORA_WINDOWS_DEPS}" CACHE PATH "PCRE2 and GoogleTest built for Windows")

# Qt for Windows, which scripts/build-windows-qt.sh builds into a cache outside the checkout and links here. Its
# moc, rcc and uic are the build machine's own, the same Qt version from Debian.
if(NOT VELMORA_WINDOWS_QT)
    set(VELMORA_WINDOWS_QT "${VELMORA_WINDOWS_DEPS}/../qt")
endif()
get_filename_component(VELMORA_WINDOWS_QT "${VELMORA_WINDOWS_QT}" REALPATH)
set(VELMORA_WINDOWS_QT "${VELMORA_WINDOWS_QT}" CACHE PATH "Qt built for Windows")
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${triple} "${VELMORA_WINDOWS_DEPS}" "${VELMORA_WINDOWS_QT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the Windows libraries only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${VELMORA_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# The GCC runtime goes into every program, so that a .exe needs no MinGW DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test programs run under Wine; CMake runs them there to list their tests.
find_program(VELMORA_WINE NAMES wine wine64)
if(VELMORA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${VELMORA_WINE}")
endif()
