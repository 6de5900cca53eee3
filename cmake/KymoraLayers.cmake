# The build keeps the layers: one static library per top-level folder, each linking only the
# library below it (shell -> scripts -> transforms -> graph -> documents -> outputs -> controls
# -> base -> common, beside the device and button libraries).
#
# Includes: there is no include path to the source root. Each library's folder is reachable
# only through its own include root, a folder in the build tree that holds a link to that one
# folder, so "graph/..." resolves only for graph and the libraries that link it. A lower
# library that names a higher one's header does not compile.
#
# Calls: static libraries leave their undefined symbols to the program's link, so each library
# is also linked on its own, every object of it, against the libraries below it and nothing
# else (a DLL refuses undefined symbols). A lower library that calls a higher one does not link.

# kymora_layer_root(<target> <PUBLIC|INTERFACE|PRIVATE> <path inside the source tree>...)
# Gives the target an include root that holds links to the given folders or files, under the
# same relative paths.
function(kymora_layer_root target scope)
  set(root ${CMAKE_BINARY_DIR}/layers/${target}-${scope})
  foreach(path ${ARGN})
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    # Made again at every configure, so that a moved source tree is followed.
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# kymora_library(<name> FOLDER <folder> SOURCES ... LINKS <the library below> <system libraries>...)
function(kymora_library name)
  cmake_parse_arguments(L "" "FOLDER" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  kymora_layer_root(${name} PUBLIC ${L_FOLDER})
  target_link_libraries(${name} PUBLIC ${L_LINKS})
  kymora_link_check(${name})
endfunction()

# Links every object of the library into a throw-away DLL with only its own dependencies.
function(kymora_link_check name)
  add_library(${name}_link_check SHARED ${CMAKE_SOURCE_DIR}/cmake/link_check.cpp)
  target_link_libraries(${name}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  target_link_options(${name}_link_check PRIVATE -Wl,--no-undefined -Wl,--exclude-all-symbols)
  set_target_properties(${name}_link_check PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link_check
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link_check)
endfunction()
