# Whether this host runs 32-bit x86 programs (TESSEL_HOST_RUNS_I386), said
# in one line with the way this tree's Windows programs run. A 32-bit
# build's programs cannot start on a host that does not: the package's test
# then skips what would run them. TESSEL_WINDOWS=win64 in the environment
# makes any host take that path.
execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/host-check.sh
                RESULT_VARIABLE host_check OUTPUT_VARIABLE host_line OUTPUT_STRIP_TRAILING_WHITESPACE)
if(host_check EQUAL 0 AND NOT "$ENV{TESSEL_WINDOWS}" STREQUAL "win64")
  set(TESSEL_HOST_RUNS_I386 ON)
else()
  set(TESSEL_HOST_RUNS_I386 OFF)
  if("$ENV{TESSEL_WINDOWS}" STREQUAL "win64")
    string(APPEND host_line ", TESSEL_WINDOWS=win64")
  endif()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(NOTICE "${host_line}: this tree's Windows tests run as 64-bit code under 64-bit Wine")
elseif(TESSEL_HOST_RUNS_I386)
  message(NOTICE "${host_line}: this tree's Windows programs run as 32-bit code under Wine")
elseif(TESSEL_PACKAGE)
  message(NOTICE "${host_line}: the package is built and checked; the checks that run its programs are skipped")
else()
  message(WARNING "${host_line}: this tree's Windows tests cannot start here; "
                  "the win64 preset runs them as 64-bit code under 64-bit Wine")
endif()
