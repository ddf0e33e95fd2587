# tavelo_app_logic: the shell's logic that needs no widget (settings file, mode order, open filter).
find_package(Qt6 REQUIRED COMPONENTS Core)
add_library(tavelo_app_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode_order.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_filter.cpp)
target_include_directories(tavelo_app_logic PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavelo_app_logic PUBLIC tavelo_util Qt6::Core)
target_precompile_headers(tavelo_app_logic REUSE_FROM tavelo_util)
