# brim_add_gtest(<name> LABEL <label> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program per library test folder; every TEST becomes a CTest
# case carrying the label (unit, integration, e2e, gui).
function(brim_add_gtest name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE brim_options ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
    ENVIRONMENT "BRIM_SOURCE_DIR=${PROJECT_SOURCE_DIR};BRIM_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# brim_test_module(<target> <module name> <directory> <sources...>)
# A loadable module that only tests load, built as <module name>.so in a
# directory of its own under tests/modules, so that a binding can be pointed
# at it.
function(brim_test_module target output_name directory)
  add_library(${target} MODULE ${ARGN})
  target_link_libraries(${target} PRIVATE brim_options)
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${output_name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/modules/${directory})
endfunction()

# brim_add_qtest(<name> SOURCES <files...> LIBS <targets...>)
# One QTest suite per program, run by CTest with the label gui on the
# offscreen platform, so no display is needed. Each suite's main
# (tests/support/qtest_main.h) points the home and XDG folders at a
# temporary directory before Qt starts.
function(brim_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE brim_options ${ARG_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS gui TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;BRIM_SOURCE_DIR=${PROJECT_SOURCE_DIR};BRIM_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
