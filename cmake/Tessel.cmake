# tessel_add_test(NAME SOURCES src... [LIBS lib...] [LABELS l...] [PROPERTIES p v ...])
# A GoogleTest program whose tests are listed for CTest before they run
# (through Wine in the win32 build). Parameterised cases are named by their
# name generators alone.
function(tessel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  set(properties TIMEOUT 120 ${T_PROPERTIES})
  if(T_LABELS)
    list(APPEND properties LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES ${properties})
endfunction()
