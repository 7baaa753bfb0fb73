# What the Windows build takes from Debian's packages in place of the native
# libraries: TinyXML from Debian's source package (its own patches applied, built
# here for the target), GoogleTest from the googletest package's sources, and the
# header-only CLI11 and nlohmann-json headers. Nothing of theirs enters the tree.

set(DS_DEPS_DIR ${CMAKE_BINARY_DIR}/_deps)
file(MAKE_DIRECTORY ${DS_DEPS_DIR})

# TinyXML: `apt-get source` needs a deb-src entry (scripts/install-deps-windows.sh).
file(GLOB DS_TINYXML_DIR LIST_DIRECTORIES true ${DS_DEPS_DIR}/tinyxml-*)
if(NOT DS_TINYXML_DIR)
  message(STATUS "Fetching Debian's TinyXML source package")
  execute_process(COMMAND apt-get source --only-source tinyxml
    WORKING_DIRECTORY ${DS_DEPS_DIR} RESULT_VARIABLE fetched OUTPUT_QUIET ERROR_VARIABLE fetchError)
  file(GLOB DS_TINYXML_DIR LIST_DIRECTORIES true ${DS_DEPS_DIR}/tinyxml-*)
  if(NOT fetched EQUAL 0 OR NOT DS_TINYXML_DIR)
    message(FATAL_ERROR "apt-get source tinyxml failed (a deb-src entry is needed; "
                        "run scripts/install-deps-windows.sh):\n${fetchError}")
  endif()
endif()
list(GET DS_TINYXML_DIR 0 DS_TINYXML_DIR)
add_library(tinyxml_win STATIC
  ${DS_TINYXML_DIR}/tinyxml.cpp ${DS_TINYXML_DIR}/tinystr.cpp
  ${DS_TINYXML_DIR}/tinyxmlerror.cpp ${DS_TINYXML_DIR}/tinyxmlparser.cpp)
# Its headers are included as <tinyxml.h>, as from the native package.
target_include_directories(tinyxml_win SYSTEM PUBLIC ${DS_TINYXML_DIR})
target_compile_definitions(tinyxml_win PUBLIC TIXML_USE_STL)
target_compile_options(tinyxml_win PRIVATE -w)
add_library(PkgConfig::TINYXML ALIAS tinyxml_win)

# GoogleTest from /usr/src/googletest (Debian's googletest package).
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${DS_DEPS_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# The googletest build names its own GTest::gtest and GTest::gtest_main aliases.

# Header-only libraries: only their own folders, never the native /usr/include.
set(DS_HEADER_ONLY ${DS_DEPS_DIR}/include)
file(MAKE_DIRECTORY ${DS_HEADER_ONLY})
foreach(folder CLI nlohmann)
  if(NOT EXISTS ${DS_HEADER_ONLY}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${DS_HEADER_ONLY}/${folder} SYMBOLIC)
  endif()
endforeach()
add_library(ds_header_only INTERFACE)
target_include_directories(ds_header_only SYSTEM INTERFACE ${DS_HEADER_ONLY})
add_library(CLI11::CLI11 ALIAS ds_header_only)
add_library(nlohmann_json::nlohmann_json ALIAS ds_header_only)
