# Import libraries that load a system DLL at the first call into it instead of at process start.
# The common dialogs (which bring the print spooler with them) and the shell serve commands a
# user may never give, yet loading them up front was a large share of the start-up under Wine.
# cmake/delayload/<dll>.def lists the functions the program calls; a call not listed there
# binds through the ordinary import library again, which the import-table test reports.
function(kymora_delay_load target)
  foreach(dll IN LISTS ARGN)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(lib ${CMAKE_BINARY_DIR}/lib/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${dll}.dll
      DEPENDS ${def} VERBATIM)
    add_custom_target(${target}_${dll}_delay DEPENDS ${lib})
    add_dependencies(${target} ${target}_${dll}_delay)
    # After the program's own libraries, before the ordinary import libraries they bring.
    target_link_libraries(${target} PRIVATE ${lib})
  endforeach()
endfunction()
