# The libraries of a Windows build, from the prefix that
# scripts/build-windows.sh fills (VELMAR_WIN_PREFIX): Crypto++ and GoogleTest
# built for mingw, and the header-only CLI11 and nlohmann-json copied from
# Debian's packages. They get the target names the Linux build uses, so the
# rest of the build does not tell the two apart. Windows has no libftdi1 nor
# libusb build here, and no Qt.
if(NOT VELMAR_WIN_PREFIX)
  message(FATAL_ERROR "A Windows build needs -DVELMAR_WIN_PREFIX=<prefix> (scripts/build-windows.sh sets it)")
endif()

find_library(VELMAR_CRYPTOPP_LIBRARY NAMES crypto++ cryptopp REQUIRED)
add_library(PkgConfig::CRYPTOPP STATIC IMPORTED)
set_target_properties(PkgConfig::CRYPTOPP PROPERTIES
  IMPORTED_LOCATION ${VELMAR_CRYPTOPP_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${VELMAR_WIN_PREFIX}/include
  # The library is built without assembly (scripts/build-windows.sh); its
  # headers must see the same choice, or the classes' layouts differ.
  INTERFACE_COMPILE_DEFINITIONS CRYPTOPP_DISABLE_ASM)

foreach(header_library CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${header_library} INTERFACE IMPORTED)
  set_target_properties(${header_library} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VELMAR_WIN_PREFIX}/include)
endforeach()

find_package(Threads REQUIRED)

# Windows 7 and later; <windows.h> without its min and max macros.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX WIN32_LEAN_AND_MEAN)
set(VELMAR_BUILD_GUI OFF)
set(VELMAR_BUILD_BENCH OFF)
set(LIBFTDI1_FOUND OFF)
set(LIBUSB1_FOUND OFF)

if(VELMAR_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
