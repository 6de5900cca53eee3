# The test programs' shared helpers ("tests/..."); what a test may include besides them comes
# from the libraries it links.
add_library(kymora_test_root INTERFACE)
kymora_layer_root(kymora_test_root INTERFACE tests)
# Every test process keeps the device library's presets file in a folder of its own.
add_library(kymora_test_process OBJECT ${CMAKE_SOURCE_DIR}/tests/session/own_presets_folder.cpp)

# kymora_add_test(name SOURCES ... LIBS ... [TIMEOUT s] [RESOURCE_LOCK name])
# Each test program runs under Wine; discovery happens just before the test so the build never starts Wine.
function(kymora_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kymora_test_root kymora_test_process GTest::gtest GTest::gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${props})
endfunction()
