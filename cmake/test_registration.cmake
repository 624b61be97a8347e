# Every GoogleTest case becomes a CTest test of its own, found by reading the
# test sources (the programs need not run to be listed, which matters for
# Windows programs built on Linux). Each case runs as its own process with
# its own timeout, so a hang fails that case and the others still report.
#
# Under Wine the cases of a suite run in "lanes" (scripts/wine_lane.sh): a
# lane is a Wine prefix with its own display and a running wineserver, and
# runs one case at a time, since its cases share a registry, a file system
# and a screen. Each suite has its own pool of lanes; CTest hands every case
# a free lane of its pool (resource groups, with the resource file written here,
# <build>/wine-lanes.json), so all lanes run at the same time (ctest -j).

# Where the lanes' prefixes live: the folder that holds this build tree
# (build/win64 -> build), as the scripts have it.
get_filename_component(VELLUMO_TEST_ROOT_DEFAULT ${CMAKE_BINARY_DIR} DIRECTORY)
set(VELLUMO_TEST_ROOT ${VELLUMO_TEST_ROOT_DEFAULT} CACHE PATH
    "Build folder of the scripts (its wine/ holds the test lanes)")
set(VELLUMO_LANE_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/wine_lane.sh)

# The "Suite.Case" names of the TEST and TEST_F cases in the given sources.
function(vellumo_gtest_cases out)
  set(cases)
  foreach(source ${ARGN})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} lines REGEX "^[ \t]*TEST(_F)?[ \t]*\\(")
    foreach(line ${lines})
      if(line MATCHES "^[ \t]*TEST(_F)?[ \t]*\\([ \t]*([A-Za-z0-9_]+)[ \t]*,[ \t]*([A-Za-z0-9_]+)")
        list(APPEND cases "${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
      endif()
    endforeach()
  endforeach()
  set(${out} ${cases} PARENT_SCOPE)
endfunction()

set_property(GLOBAL PROPERTY VELLUMO_LANE_POOLS "")

# vellumo_add_gtests(<target> SUITE <name> TIMEOUT <seconds> SOURCES <files>...
#                    [LANES <count>] [SHARING <regex>] [LONG <regex>])
# Registers each case of <target> as "<name>/<Suite.Case>" (label <name>).
# Under Wine the suite gets a pool of <count> lanes (default 1). Cases in
# sources that match SHARING use something all lanes share (such as the
# folder of the test program) and so run one at a time. Cases whose name
# matches LONG take longest: CTest starts them first even on a run without
# the timings of an earlier one.
function(vellumo_add_gtests target)
  cmake_parse_arguments(arg "" "SUITE;TIMEOUT;LANES;SHARING;LONG" "SOURCES" ${ARGN})
  if(NOT arg_LANES)
    set(arg_LANES 1)
  endif()
  # Resource types are lower-case words.
  string(REGEX REPLACE "[^a-z0-9]" "_" pool "${arg_SUITE}")
  set_property(GLOBAL APPEND PROPERTY VELLUMO_LANE_POOLS "${pool}:${arg_LANES}")
  list(SORT arg_SOURCES)
  set(all_cases)
  foreach(source ${arg_SOURCES})
    vellumo_gtest_cases(cases ${source})
    set(sharing OFF)
    if(arg_SHARING)
      file(STRINGS ${source} shared REGEX "${arg_SHARING}")
      if(shared)
        set(sharing ON)
      endif()
    endif()
    foreach(case ${cases})
      list(APPEND all_cases ${case})
      _vellumo_add_test(${arg_SUITE}/${case} ${pool} ${arg_LANES} ${arg_TIMEOUT}
                        PROGRAM $<TARGET_FILE:${target}> --gtest_filter=${case})
      if(sharing)
        set_tests_properties(${arg_SUITE}/${case} PROPERTIES RESOURCE_LOCK ${pool}_shared)
      endif()
      if(arg_LONG AND case MATCHES "${arg_LONG}")
        set_tests_properties(${arg_SUITE}/${case} PROPERTIES COST 1000)
      endif()
      # A case the program does not have (a stale build) runs nothing and
      # would pass.
      set_tests_properties(${arg_SUITE}/${case} PROPERTIES
        SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]" FAIL_REGULAR_EXPRESSION "Running 0 tests from")
      if(case MATCHES "(^|\\.)DISABLED_")
        set_tests_properties(${arg_SUITE}/${case} PROPERTIES DISABLED TRUE)
      endif()
    endforeach()
  endforeach()
  # And a case the scan missed would never run: one more test compares the
  # program's own list with what was registered.
  set(expected ${CMAKE_BINARY_DIR}/gtest-cases/${arg_SUITE}.txt)
  string(REPLACE ";" "\n" text "${all_cases}")
  file(WRITE ${expected} "${text}\n")
  string(REPLACE ";" "$<SEMICOLON>" emulator "${_vellumo_emulator}")
  _vellumo_add_test(${arg_SUITE}/AllCasesRegistered ${pool} ${arg_LANES} 120
                    ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> "-DEMULATOR=${emulator}"
                    -DEXPECTED=${expected} -P ${CMAKE_SOURCE_DIR}/cmake/check_gtest_cases.cmake)
endfunction()

# Tests run under Wine when cross-compiled with an emulator named (not on a
# Windows host, where they run as they are).
set(_vellumo_emulator)
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR AND NOT CMAKE_HOST_WIN32)
  set(_vellumo_emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()

# One test <name> run in a lane of <pool> (of <lanes> lanes); a command word
# PROGRAM stands for the emulator.
function(_vellumo_add_test name pool lanes timeout)
  set(command)
  foreach(word ${ARGN})
    if(word STREQUAL "PROGRAM")
      list(APPEND command ${_vellumo_emulator})
    else()
      list(APPEND command ${word})
    endif()
  endforeach()
  string(REGEX REPLACE "/.*" "" suite "${name}")
  if(_vellumo_emulator)
    # The lane ends the case after `timeout` seconds; CTest's own limit is
    # the backstop.
    add_test(NAME ${name}
             COMMAND bash ${VELLUMO_LANE_SCRIPT} run ${pool} ${lanes} ${timeout} ${command})
    math(EXPR hard_timeout "${timeout} + 60")
    set(fixtures)
    foreach(n RANGE 1 ${lanes})
      list(APPEND fixtures wine-lane-${pool}_${n})
    endforeach()
    set_tests_properties(${name} PROPERTIES
      TIMEOUT ${hard_timeout}
      RESOURCE_GROUPS ${pool}:1
      FIXTURES_REQUIRED "${fixtures}"
      ENVIRONMENT "VELLUMO_BUILD_DIR=${VELLUMO_TEST_ROOT};VELLUMO_TEST_NAME=${name}")
  else()
    add_test(NAME ${name} COMMAND ${command})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${suite})
endfunction()

# A set-up and a clean-up test for every lane, and the resource file
# that names them: call once, after the last vellumo_add_gtests.
function(vellumo_add_wine_lanes)
  if(NOT _vellumo_emulator)
    return()
  endif()
  get_property(pools GLOBAL PROPERTY VELLUMO_LANE_POOLS)
  set(json)
  foreach(entry ${pools})
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 pool)
    list(GET entry 1 lanes)
    set(ids)
    foreach(n RANGE 1 ${lanes})
      set(lane ${pool}_${n})
      list(APPEND ids "{\"id\": \"${lane}\", \"slots\": 1}")
      add_test(NAME wine-lanes/start-${lane} COMMAND bash ${VELLUMO_LANE_SCRIPT} start ${lane})
      add_test(NAME wine-lanes/stop-${lane} COMMAND bash ${VELLUMO_LANE_SCRIPT} stop ${lane})
      set_tests_properties(wine-lanes/start-${lane} PROPERTIES
        FIXTURES_SETUP wine-lane-${lane} TIMEOUT 600)
      set_tests_properties(wine-lanes/stop-${lane} PROPERTIES
        FIXTURES_CLEANUP wine-lane-${lane} TIMEOUT 120)
      set_tests_properties(wine-lanes/start-${lane} wine-lanes/stop-${lane} PROPERTIES
        LABELS wine-lanes ENVIRONMENT "VELLUMO_BUILD_DIR=${VELLUMO_TEST_ROOT}")
    endforeach()
    string(REPLACE ";" ", " ids "${ids}")
    list(APPEND json "\"${pool}\": [${ids}]")
  endforeach()
  string(REPLACE ";" ",\n    " json "${json}")
  file(WRITE ${CMAKE_BINARY_DIR}/wine-lanes.json
    "{\n  \"version\": {\"major\": 1, \"minor\": 0},\n  \"local\": [{\n    ${json}\n  }]\n}\n")
  # CTest reads the lanes from this file by itself, with no option given.
  set(CTEST_RESOURCE_SPEC_FILE ${CMAKE_BINARY_DIR}/wine-lanes.json PARENT_SCOPE)
endfunction()

# vellumo_add_server_fixture(<name> <python script> <folder>): "<script>
# start <folder>" and "<script> stop <folder>" run before the first and after
# the last case that requires fixture <name> (see vellumo_require_fixture).
function(vellumo_add_server_fixture name script folder)
  add_test(NAME ${name}/start COMMAND python3 ${script} start ${folder})
  add_test(NAME ${name}/stop COMMAND python3 ${script} stop ${folder})
  set_tests_properties(${name}/start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 60 LABELS ${name})
  set_tests_properties(${name}/stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60 LABELS ${name})
endfunction()

# vellumo_require_fixture(<name> <suite> <regex> [ONE_AT_A_TIME] <sources>...):
# the cases of <suite> in <sources> whose names match <regex> need fixture
# <name> as well as their lane. With ONE_AT_A_TIME they also run one after
# another, whatever their lanes and suites: for a fixture a case changes for
# all (a server stopped, requests counted).
function(vellumo_require_fixture name suite regex)
  cmake_parse_arguments(arg "ONE_AT_A_TIME" "" "" ${ARGN})
  vellumo_gtest_cases(cases ${arg_UNPARSED_ARGUMENTS})
  foreach(case ${cases})
    if(case MATCHES "${regex}")
      set_property(TEST ${suite}/${case} APPEND PROPERTY FIXTURES_REQUIRED ${name})
      if(arg_ONE_AT_A_TIME)
        set_property(TEST ${suite}/${case} APPEND PROPERTY RESOURCE_LOCK ${name})
      endif()
    endif()
  endforeach()
endfunction()
