# tavrel_version_resource(<target> "<description>"): gives a Windows binary a
# VERSIONINFO resource (file and product version from the project version,
# the product name, the file's description and its original file name), so
# that Windows shows them in the file's properties, and relinks it when the
# build's epoch changes (its PE time stamp, cmake/flags.cmake). The project
# version in the top CMakeLists.txt is the only place the version is written.
set(TAVREL_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(tavrel_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(TAVREL_FILE_NAME ${name}.exe)
    set(TAVREL_FILE_TYPE VFT_APP)
  else()
    set(TAVREL_FILE_NAME ${name}.dll)
    set(TAVREL_FILE_TYPE VFT_DLL)
  endif()
  set(TAVREL_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${TAVREL_VERSION_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # The PE time stamp is the build's epoch (cmake/flags.cmake): a new one relinks.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TAVREL_SOURCE_DATE_EPOCH_FILE})
endfunction()
