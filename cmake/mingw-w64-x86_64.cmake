# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread and std::mutex need). Used for Qt and for VORRIK.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the MinGW root and from the Windows builds
# of Qt, GoogleTest and Google Benchmark that scripts/build-windows keeps in
# its cache (VORRIK_WINDOWS_CACHE); programs from the host.
if(DEFINED ENV{VORRIK_WINDOWS_CACHE})
  set(VORRIK_WINDOWS_PREFIX $ENV{VORRIK_WINDOWS_CACHE}/prefix)
else()
  set(VORRIK_WINDOWS_PREFIX $ENV{HOME}/.cache/vorrik/windows-qt6.4.2/prefix)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${VORRIK_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's tools (moc, rcc, uic) are Debian's own, of the same Qt version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Test programs run as Windows programs under Wine, through wine-run, which
# starts again what Wine lost as it started (the same loader found the same
# way).
find_program(VORRIK_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VORRIK_WINE NAMES wine64 wine)
if(VORRIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
endif()
