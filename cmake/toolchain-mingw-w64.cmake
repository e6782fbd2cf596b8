# Cross-compiling for Windows x86-64 with Debian's mingw-w64 (the POSIX
# threads flavour, which the standard library's threads need). Programs are
# linked statically, so they need no DLL beside the system's own and FTDI's
# ftd2xx.dll, which is loaded at run time. Libraries built for mingw
# (Crypto++, GoogleTest) are looked for in VELMAR_WIN_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMAR_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VELMAR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMAR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMAR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMAR_MINGW_TRIPLE})
if(VELMAR_WIN_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELMAR_WIN_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs of the compiler's run time beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
