# The layers of the program, each a static library of one folder. A layer links
# only the layers below it, and a check run with every build refuses a project
# include that reaches outside the folders the layer may use.
function(ds_layer target folder)
  cmake_parse_arguments(LAYER "" "" "USES;LINKS" ${ARGN})
  set(allowed ${folder} ${LAYER_USES})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.layer-checked)
  file(GLOB checked CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DFOLDER=${folder} "-DALLOWED=${allowed}"
            -DSTAMP=${stamp} -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayer.cmake
    DEPENDS ${checked} ${CMAKE_SOURCE_DIR}/cmake/CheckLayer.cmake
    COMMENT "Checking the includes of ${folder}/" VERBATIM)
  add_library(${target} STATIC ${stamp})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
endfunction()
