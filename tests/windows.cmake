# The tests built for Windows and run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
# The simulated drive serves a Linux pseudo-terminal, so tests that start one
# in-process stay on Linux; what reaches a drive on Windows is tested through a
# Wine COM port mapped to a standalone simulated drive (tests/wine/).
#
# One CTest entry per program, not per case: every start of Wine costs about a
# second and a half.

# Tests that start a simulated drive, fork, or rely on Linux device files.
set(DS_LINUX_ONLY_TESTS
  serial/Rs232Test.cpp serial/PortTableTest.cpp serial/SimDriveTest.cpp serial/port_probe_test.cpp serial/sim_chaos_test.cpp
  protocol/command_set_test.cpp protocol/transaction_test.cpp
  flows/dpf_test.cpp flows/frame_logic_test.cpp flows/motordb_flow_test.cpp flows/param_access_test.cpp
  flows/port_doctor_test.cpp flows/view_logic_test.cpp flows/all_params_test.cpp flows/whole_value_test.cpp
  cli/cli_run_test.cpp cli/cli_all_params_test.cpp)

add_library(testsupport STATIC support/ScriptedPrompt.cpp support/TempDir.cpp)
target_link_libraries(testsupport PUBLIC drivecore GTest::gtest)
target_include_directories(testsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

foreach(layer serial protocol params files flows cli)
  file(GLOB sources CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  list(REMOVE_ITEM sources ${DS_LINUX_ONLY_TESTS})
  list(FILTER sources EXCLUDE REGEX "_posix_test\\.cpp$")
  if(sources)
    add_executable(${layer}_tests ${sources})
    target_link_libraries(${layer}_tests PRIVATE testsupport GTest::gtest_main)
    if(layer STREQUAL "params")
      # Where the sources are, for tests that read shipped files as written.
      target_compile_definitions(${layer}_tests PRIVATE DS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    endif()
    if(layer STREQUAL "cli")
      target_link_libraries(${layer}_tests PRIVATE ds_cli)
    endif()
    add_test(NAME win_${layer}_tests COMMAND ${layer}_tests)
    set_tests_properties(win_${layer}_tests PROPERTIES TIMEOUT 300 ENVIRONMENT "WINEDEBUG=-all")
  endif()
endforeach()

# The Windows window, driven from outside against the simulated drive.
add_subdirectory(winui)
