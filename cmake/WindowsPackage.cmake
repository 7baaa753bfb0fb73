# `cmake --build build-win --target windows-package`: the MSI and the portable zip
# in build-win/package/, from the project's one version, checked with msiinfo.
add_custom_target(windows-package
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/windows-package.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
  DEPENDS drive-setting drive-setting-cli
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  USES_TERMINAL
  VERBATIM)
