# The firmware set of every re-flashable model (HEX and binary images), embedded in vantix_encoders.
#
# manifest.txt lists every image with its model, key and path. By default the
# images are simulation images generated at build time for the bench's chip
# (regenerated only when the manifest or the generator changes). Pointing
# VANTIX_FIRMWARE_DIR at a folder of the maker's images in the same layout
# embeds those instead; the program then treats them as real firmware.
set(VANTIX_FIRMWARE_DIR "" CACHE PATH
    "Folder of the maker's firmware images, laid out as encoders/firmware/manifest.txt lists; empty: generate simulation images")

set(manifest "${CMAKE_CURRENT_SOURCE_DIR}/firmware/manifest.txt")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")
file(STRINGS "${manifest}" entries REGEX "^RVX")
set(relative_paths "")
foreach(entry ${entries})
  string(REPLACE " " ";" fields "${entry}")
  list(GET fields 3 path)
  list(APPEND relative_paths "${path}")
endforeach()

if(VANTIX_FIRMWARE_DIR)
  set(firmware_base "${VANTIX_FIRMWARE_DIR}")
  set(simulation 0)
  foreach(path ${relative_paths})
    if(NOT EXISTS "${firmware_base}/${path}")
      message(FATAL_ERROR "VANTIX_FIRMWARE_DIR lacks ${path} (see encoders/firmware/manifest.txt)")
    endif()
  endforeach()
else()
  set(firmware_base "${CMAKE_CURRENT_BINARY_DIR}/firmware")
  set(simulation 1)
endif()

set(firmware_files "")
foreach(path ${relative_paths})
  list(APPEND firmware_files "${firmware_base}/${path}")
endforeach()

if(NOT VANTIX_FIRMWARE_DIR)
  add_executable(rvx-firmware-set "${CMAKE_CURRENT_SOURCE_DIR}/firmware/MakeFirmwareSet.cpp")
  target_link_libraries(rvx-firmware-set PRIVATE vantix_tools)
  # One run of the generator makes the whole set; the outputs are listed so
  # that the build reruns it only when the manifest or the generator changed.
  add_custom_command(OUTPUT ${firmware_files}
                     COMMAND rvx-firmware-set "${manifest}" "${firmware_base}"
                     DEPENDS "${manifest}" rvx-firmware-set
                     COMMENT "Generating the simulation firmware set"
                     VERBATIM)
  add_custom_target(vantix_firmware_set DEPENDS ${firmware_files})
  add_dependencies(vantix_encoders vantix_firmware_set)
endif()

vantix_embed_files(TARGET vantix_encoders NAME firmware_images BASE_DIR "${firmware_base}" FILES ${firmware_files})
vantix_embed_files(TARGET vantix_encoders NAME firmware_manifest BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}/firmware"
                   FILES "${manifest}")
set_property(SOURCE "${CMAKE_CURRENT_SOURCE_DIR}/FirmwareSet.cpp" APPEND PROPERTY COMPILE_DEFINITIONS
             VANTIX_SIMULATION_FIRMWARE=${simulation})
