# Read by cpack: the program finds its data under the prefix it was built for, so
# the package must install under that same prefix.
if(NOT CPACK_VANTIX_BUILD_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
  message(FATAL_ERROR "This build looks for its data under ${CPACK_VANTIX_BUILD_PREFIX}, the package installs "
                      "under ${CPACK_PACKAGING_INSTALL_PREFIX}: configure with "
                      "-DCMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} before packing")
endif()
