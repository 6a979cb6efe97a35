# tavrel_resource_object(<target> RC <file.rc> SCRIPT <generator.py> OUTPUT <file>
#                        [ARGS <script arguments...>] [DEPENDS <files...>] [COMMENT <text>])
# Compiles a resource script into an OBJECT library after a Python script
# (kept in tools/) has generated the picture or icon it includes, so the
# picture can never drift from its source of truth.
function(tavrel_resource_object target)
  cmake_parse_arguments(R "" "RC;SCRIPT;OUTPUT;COMMENT" "ARGS;DEPENDS" ${ARGN})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(
    OUTPUT ${R_OUTPUT}
    COMMAND Python3::Interpreter ${R_SCRIPT} ${R_ARGS}
    DEPENDS ${R_SCRIPT} ${R_DEPENDS}
    COMMENT "${R_COMMENT}")
  add_custom_target(${target}_generated DEPENDS ${R_OUTPUT})
  add_library(${target} OBJECT ${R_RC})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  set_source_files_properties(${R_RC} PROPERTIES OBJECT_DEPENDS ${R_OUTPUT})
  add_dependencies(${target} ${target}_generated)
endfunction()
