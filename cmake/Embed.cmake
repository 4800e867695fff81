# vantix_embed_files(TARGET <lib> NAME <table> BASE_DIR <dir> FILES <file>...)
#
# Embeds files into <lib> with .incbin (fast for tens of megabytes, where C
# arrays are not) and generates <table>.h declaring
#   namespace embedded { std::span<const unsigned char> <table>(std::string_view path);
#                        std::span<const EmbeddedFile> <table>_all(); }
# where path is the file's path relative to BASE_DIR. Files may be generated at
# build time; OBJECT_DEPENDS rebuilds the assembler object when one changes.
function(vantix_embed_files)
  cmake_parse_arguments(ARG "" "TARGET;NAME;BASE_DIR" "FILES" ${ARGN})
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/embedded")
  set(asm "${out_dir}/${ARG_NAME}.S")
  set(cpp "${out_dir}/${ARG_NAME}.cpp")
  set(hdr "${out_dir}/${ARG_NAME}.h")
  set(asm_text ".section .rodata\n")
  set(decl_text "")
  set(table_text "")
  set(index 0)
  foreach(file ${ARG_FILES})
    file(RELATIVE_PATH rel "${ARG_BASE_DIR}" "${file}")
    set(sym "vantix_${ARG_NAME}_${index}")
    string(APPEND asm_text ".balign 16\n.global ${sym}_begin\n.global ${sym}_end\n${sym}_begin:\n.incbin \"${file}\"\n${sym}_end:\n")
    string(APPEND decl_text "extern \"C\" const unsigned char ${sym}_begin[];\nextern \"C\" const unsigned char ${sym}_end[];\n")
    string(APPEND table_text "    {\"${rel}\", ${sym}_begin, ${sym}_end},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND asm_text ".section .note.GNU-stack,\"\",@progbits\n")
  file(CONFIGURE OUTPUT "${asm}" CONTENT "${asm_text}")
  file(CONFIGURE OUTPUT "${hdr}" CONTENT "#pragma once
#include <span>
#include <string_view>
#ifndef VANTIX_EMBEDDED_FILE_DEFINED
#define VANTIX_EMBEDDED_FILE_DEFINED
namespace embedded {
struct EmbeddedFile {
    const char* path;
    const unsigned char* begin;
    const unsigned char* end;
    std::span<const unsigned char> bytes() const { return {begin, end}; }
};
}
#endif
namespace embedded {
// Empty span when no file has this path.
std::span<const unsigned char> ${ARG_NAME}(std::string_view path);
std::span<const EmbeddedFile> ${ARG_NAME}_all();
}
")
  file(CONFIGURE OUTPUT "${cpp}" CONTENT "#include \"${ARG_NAME}.h\"
${decl_text}
namespace embedded {
namespace {
const EmbeddedFile table[] = {
${table_text}    {nullptr, nullptr, nullptr},
};
}
std::span<const EmbeddedFile> ${ARG_NAME}_all() { return {table, sizeof(table) / sizeof(table[0]) - 1}; }
std::span<const unsigned char> ${ARG_NAME}(std::string_view path) {
    for (const auto& file : ${ARG_NAME}_all())
        if (path == file.path) return file.bytes();
    return {};
}
}
")
  set_source_files_properties("${asm}" PROPERTIES OBJECT_DEPENDS "${ARG_FILES}")
  target_sources(${ARG_TARGET} PRIVATE "${asm}" "${cpp}")
  target_include_directories(${ARG_TARGET} PUBLIC "${out_dir}")
endfunction()
