# The libftdi the libftdi backend needs: 1.5 or newer (it empties the chip's
# buffers with ftdi_tcioflush, which older ones lack). Without libftdi the
# backend is left out and the build says so; a libftdi too old stops the
# configuration with what to install.
set(VELMAR_LIBFTDI_MINIMUM 1.5)

function(velmar_check_libftdi found version)
  if(NOT found)
    message(STATUS "libftdi1 not found: the libftdi driver backend is not built "
                   "(it needs libftdi ${VELMAR_LIBFTDI_MINIMUM} or newer: Debian's libftdi1-dev)")
  elseif(version VERSION_LESS VELMAR_LIBFTDI_MINIMUM)
    message(FATAL_ERROR "libftdi1 ${version} found, but Velmar needs libftdi ${VELMAR_LIBFTDI_MINIMUM} or newer. "
                        "Install libftdi ${VELMAR_LIBFTDI_MINIMUM} or newer (Debian's libftdi1-dev), or point "
                        "PKG_CONFIG_PATH at one.")
  else()
    message(STATUS "libftdi1 ${version} found (${VELMAR_LIBFTDI_MINIMUM} or newer needed)")
  endif()
endfunction()

# As a script (cmake -DFOUND=1 -DVERSION=1.4 -P LibFtdiVersion.cmake): the
# check alone, for the build's tests.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  velmar_check_libftdi("${FOUND}" "${VERSION}")
endif()
