# The setup program (NSIS) and a portable zip of the same five files:
# Vellumo.exe with the companions beside it. The 32-bit tree makes the
# product's Vellumo-Setup-<version>.exe; the x64 tree (for machines that run
# 64-bit code only) makes Vellumo-Setup-<version>-x64.exe, used by the tests.
set(VELLUMO_PACKAGE_DIR ${CMAKE_BINARY_DIR} CACHE PATH
    "Where the setup program and the portable zip are written")
find_program(MAKENSIS_PROGRAM makensis)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(PACKAGE_SUFFIX "-x64")
  set(NSIS_TARGET amd64-unicode)
else()
  set(PACKAGE_SUFFIX "")
  set(NSIS_TARGET x86-unicode)
endif()
set(SETUP_EXE ${VELLUMO_PACKAGE_DIR}/Vellumo-Setup-${PROJECT_VERSION}${PACKAGE_SUFFIX}.exe)
set(PORTABLE_ZIP ${VELLUMO_PACKAGE_DIR}/Vellumo-${PROJECT_VERSION}${PACKAGE_SUFFIX}-portable.zip)
set(PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package/Vellumo)
set(COMPANION_FILES ${CMAKE_BINARY_DIR}/companions/out)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

# Windows form of a build path as a C string body, for the tests that run the setup program
# (under Wine the Unix root is drive Z:).
function(vellumo_windows_path out path)
  if(CMAKE_HOST_WIN32)
    file(TO_NATIVE_PATH "${path}" native)
  else()
    string(REPLACE "/" "\\" native "Z:${path}")
  endif()
  string(REPLACE "\\" "\\\\" escaped "${native}") # for a C string literal
  set(${out} "${escaped}" PARENT_SCOPE)
endfunction()

if(NOT MAKENSIS_PROGRAM OR NOT CHMCMD_PROGRAM)
  message(STATUS "makensis or chmcmd not found: no setup program (install nsis and fp-utils)")
  return()
endif()

add_custom_command(
  OUTPUT ${SETUP_EXE} ${PORTABLE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_STAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_STAGE} ${VELLUMO_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Vellumo> $<TARGET_FILE:scourwell>
          $<TARGET_FILE:tressle> $<TARGET_FILE:sandrel> ${COMPANION_FILES}/Help.chm ${PACKAGE_STAGE}
  COMMAND ${MAKENSIS_PROGRAM} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
          -DTARGET=${NSIS_TARGET} -DSTAGE=${PACKAGE_STAGE} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DOUTFILE=${SETUP_EXE} ${CMAKE_SOURCE_DIR}/installer/vellumo.nsi
  COMMAND ${CMAKE_COMMAND} -E rm -f ${PORTABLE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${PORTABLE_ZIP} --format=zip Vellumo
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/package
  DEPENDS Vellumo scourwell tressle sandrel ${COMPANION_FILES}/Help.chm
          ${CMAKE_SOURCE_DIR}/installer/vellumo.nsi ${CMAKE_SOURCE_DIR}/res/art/app.ico
  COMMENT "Building the setup program and the portable zip")
add_custom_target(installer ALL DEPENDS ${SETUP_EXE} ${PORTABLE_ZIP})
add_dependencies(installer help_chm)

# The setup program under test: install, upgrade, uninstall in the prefix.
vellumo_windows_path(SETUP_WIN ${SETUP_EXE})
vellumo_windows_path(STAGE_WIN ${PACKAGE_STAGE})
add_executable(vellumo_installer_tests ${CMAKE_SOURCE_DIR}/tests/installer/installer_test.cpp)
vellumo_warnings(vellumo_installer_tests)
target_compile_definitions(vellumo_installer_tests PRIVATE
  VELLUMO_SETUP_PATH="${SETUP_WIN}" VELLUMO_STAGE_PATH="${STAGE_WIN}"
  VELLUMO_VERSION="${PROJECT_VERSION}")
target_link_libraries(vellumo_installer_tests PRIVATE vellumo_core vellumo_test_support gtest gtest_main ${WIN_LIBS} ${WIN_TEST_LIBS} version)
set_target_properties(vellumo_installer_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(vellumo_installer_tests installer)
