# Import libraries that load a system DLL at the first call into it instead of at process start.
# The common dialogs (which bring the print spooler with them) and the shell serve commands a
# user may never give, yet loading them up front was a large share of the start-up under Wine.
# cmake/delayload/<dll>.def lists the functions the program calls; a call not listed there
# binds through the ordinary import library again, which the import-table test reports.
#
# kymora_delay_import(<dll>) makes the target kymora_delay_<dll>: a library links it in place of
# <dll>, so the delayed import library comes right after the library that calls into it.
function(kymora_delay_import dll)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
  set(lib ${CMAKE_BINARY_DIR}/lib/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${dll}.dll
    DEPENDS ${def} VERBATIM)
  add_custom_target(kymora_delay_${dll}_lib DEPENDS ${lib})
  add_library(kymora_delay_${dll} INTERFACE)
  add_dependencies(kymora_delay_${dll} kymora_delay_${dll}_lib)
  target_link_libraries(kymora_delay_${dll} INTERFACE ${lib})
endfunction()
