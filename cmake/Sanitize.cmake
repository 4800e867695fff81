# -DVANTIX_SANITIZE=ON: address and undefined-behaviour sanitizers, with gcc or
# clang. Undefined behaviour stops the program (no recovery), and LeakSanitizer
# passes over leaks only where lsan-suppressions.txt says: inside the toolkit's
# own libraries. The suppressions are compiled into every executable, so tests,
# their listing by ctest and the program need no environment of their own.
#
# When the compiler has libFuzzer (clang), the same build also instruments
# every library for coverage-guided fuzzing and VANTIX_HAVE_LIBFUZZER is set;
# tests/fuzz then builds its targets.
if(NOT VANTIX_SANITIZE)
  return()
endif()

add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=fuzzer")
check_cxx_source_compiles(
  "#include <cstddef>
   #include <cstdint>
   extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }"
  VANTIX_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(VANTIX_HAVE_LIBFUZZER)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The suppression list as a C string for __lsan_default_suppressions.
set(suppressions_file ${CMAKE_SOURCE_DIR}/lsan-suppressions.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${suppressions_file})
file(STRINGS ${suppressions_file} lines)
set(entries "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  string(APPEND entries "    \"${line}\\n\"\n")
endforeach()
set(defaults_source ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp)
file(CONFIGURE OUTPUT ${defaults_source} CONTENT "// Generated from lsan-suppressions.txt.
extern \"C\" const char* __lsan_default_suppressions() {
    return
${entries}    \"\";
}
")
add_library(vantix_sanitizer_defaults OBJECT ${defaults_source})
# An object library's objects go into each target that links it directly, so
# every executable made after this carries the list.
link_libraries(vantix_sanitizer_defaults)
