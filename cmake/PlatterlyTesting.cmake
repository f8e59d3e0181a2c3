include(GoogleTest)

# platterly_add_test(NAME name SOURCES ... LIBS ... [QT])
# Builds one GoogleTest binary into build/tests and registers its cases with CTest.
# QT tests get a main that creates the QApplication first; every test runs headless.
function(platterly_add_test)
  cmake_parse_arguments(T "QT" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE platterly_qt_test_main Qt6::Widgets Qt6::Test)
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gmock Threads::Threads ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE
    PLATTERLY_DIST_DIR="${PLATTERLY_DIST_DIR}"
    PLATTERLY_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(environment "QT_QPA_PLATFORM=offscreen;PLATTERLY_DIST_DIR=${PLATTERLY_DIST_DIR};GSETTINGS_BACKEND=memory;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/tests/xdg-config")
  if(T_QT AND PLATTERLY_SANITIZE)
    # Qt's process-wide allocations outlive main: leak detection stays on only without Qt.
    list(APPEND environment "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${environment}"
               TIMEOUT 600)
endfunction()
