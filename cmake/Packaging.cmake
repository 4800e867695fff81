# The Debian package and the desktop integration it carries. `cpack -G DEB` in the
# build folder packs what `cmake --install` installs; configure the build with
# -DCMAKE_INSTALL_PREFIX=/usr so that the program looks for its data where the
# package puts it.

set(VANTIX_PACKAGE_NAME rvx-vantix)
# The desktop entry, the icon and the AppStream component share this id, the
# maker's web host reversed.
set(VANTIX_APP_ID example.rvx_encoders.vantix)
set(VANTIX_MAINTAINER "RVX Motion <vantix@rvx-encoders.example>"
    CACHE STRING "Maintainer field of the Debian package")

file(STRINGS ${CMAKE_SOURCE_DIR}/encoders/WebHost.h web_host_line REGEX "define RVX_MAKER_WEB_HOST")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" VANTIX_WEB_HOST "${web_host_line}")
set(VANTIX_HOMEPAGE "${VANTIX_WEB_HOST}/rvx-vantix")

# The newest changelog entry names the release: it must be this version, and its
# date dates the man pages and the AppStream release.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
string(REGEX REPLACE "^[^ ]+ \\(([^)]*)\\).*" "\\1" changelog_version "${changelog_top}")
if(NOT changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog starts with version ${changelog_version}, the program is "
                      "${PROJECT_VERSION}: add a changelog entry for this version")
endif()
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT changelog_trailer MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in the newest entry's trailer line")
endif()
set(release_day ${CMAKE_MATCH_1})
set(release_year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} release_month)
math(EXPR release_month "${release_month} + 1")
if(release_month LESS 10)
  set(release_month "0${release_month}")
endif()
if(release_day LESS 10)
  set(release_day "0${release_day}")
endif()
set(VANTIX_RELEASE_DATE "${release_year}-${release_month}-${release_day}")

add_subdirectory(${CMAKE_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VANTIX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "RVX Motion")
set(CPACK_PACKAGE_CONTACT "${VANTIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up RVX rotary encoders through an RVX-LINK module")
set(CPACK_PACKAGE_DESCRIPTION
    "RVX Vantix sets up the RVX line of modular rotary encoders (incremental,
commutation and absolute models) through an RVX-LINK USB programming module:
pick a model, connect, watch the live shaft position, read and change the
encoder's settings, program them by EEPROM commands or by re-flashing one of
the firmware images the program carries, zero the encoder, save a diagnostics
report and update its firmware.

The package installs a menu entry, with a simulated bench for work without
hardware, and a udev rule that gives the user at the seat and members of the
plugdev group access to RVX-LINK modules.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANTIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The link buttons and the update offer open the default browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
# gzip packs the embedded firmware images some 25% larger than xz but twenty
# times faster, which keeps the package gate short on CI.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A package built for /usr from a build that looks for its data elsewhere would
# install a program that cannot find devices.db: refuse it.
set(CPACK_VANTIX_BUILD_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackagingPrefixCheck.cmake)
include(CPack)
