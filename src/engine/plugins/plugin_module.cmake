# Shared by the plug-in folders: how a plug-in or a module it loads is built and where it goes.
if(NOT TARGET tavelo_plugin_support)
  # Loads a plug-in's heavy half from beside it when first needed.
  add_library(tavelo_plugin_support STATIC ${CMAKE_CURRENT_LIST_DIR}/module_beside.cpp)
  target_include_directories(tavelo_plugin_support PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tavelo_plugin_support PUBLIC ${CMAKE_DL_LIBS})
  set_target_properties(tavelo_plugin_support PROPERTIES CXX_VISIBILITY_PRESET hidden)
endif()

# tavelo_plugin_module(target FILE_NAME name FOLDER folder SOURCES ...): a shared module named
# name.so in folder, exporting only what it marks visible.
function(tavelo_plugin_module target)
  cmake_parse_arguments(ARG "" "FILE_NAME;FOLDER" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_FILE_NAME}
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${ARG_FOLDER}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
