# ostrand_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI])
# Builds one test executable per component and registers its cases with ctest.
# On Windows the cases run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
include(GoogleTest)

function(ostrand_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ostrand_test_main ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(labels unit)
  set(serial FALSE)
  if(T_GUI)
    set(labels gui)
    # GUI cases share the display, the focus and the settings file beside their executable.
    set(serial TRUE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${labels} RUN_SERIAL ${serial})
endfunction()
