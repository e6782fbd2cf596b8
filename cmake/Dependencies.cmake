# Locates the system libraries Velmar builds against. All of them come from
# Debian packages installed by scripts/install-deps.sh; a Windows build
# finds them in its own prefix (cmake/WindowsDependencies.cmake).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsDependencies.cmake)
  return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBFTDI1 IMPORTED_TARGET libftdi1)
include(${CMAKE_CURRENT_LIST_DIR}/LibFtdiVersion.cmake)
velmar_check_libftdi("${LIBFTDI1_FOUND}" "${LIBFTDI1_VERSION}")
pkg_check_modules(LIBUSB1 IMPORTED_TARGET libusb-1.0)
pkg_check_modules(CRYPTOPP REQUIRED IMPORTED_TARGET libcrypto++)
# Crypto++'s archive, which velmar-cli links in (src/cli/CMakeLists.txt).
find_library(VELMAR_CRYPTOPP_ARCHIVE NAMES libcrypto++.a HINTS ${CRYPTOPP_LIBRARY_DIRS})
find_package(CLI11 CONFIG REQUIRED)
find_package(nlohmann_json CONFIG REQUIRED)
find_package(Threads REQUIRED)

if(VELMAR_BUILD_GUI)
  find_package(Qt6 COMPONENTS Widgets Test PrintSupport)
  if(NOT Qt6_FOUND)
    message(WARNING "Qt 6 not found: the desktop application is not built")
    set(VELMAR_BUILD_GUI OFF)
  endif()
endif()

if(VELMAR_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(VELMAR_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
