# One static library per top-level folder, each linking only the library below it (shell ->
# scripts -> transforms -> graph -> documents -> outputs -> controls -> base -> common, beside
# the device and button libraries).

# kymora_library(<name> FOLDER <folder> SOURCES ... LINKS <the library below> <system libraries>...)
function(kymora_library name)
  cmake_parse_arguments(L "" "FOLDER" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ${L_LINKS})
endfunction()
