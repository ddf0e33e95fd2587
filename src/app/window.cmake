# tavelo_app: the main window with start-up and closing (tests link it); tavelo: the program.
find_package(Qt6 REQUIRED COMPONENTS Widgets Network Concurrent)
add_library(tavelo_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/form_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_panels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/side_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/equalizer_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sleep_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tag_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station_settings_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_settings_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_closing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/playback_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_files_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_cd_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/net_radio_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_feed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_radio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_cd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/value_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_stations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form.h
  ${CMAKE_CURRENT_LIST_DIR}/tick_timer.h)
target_include_directories(tavelo_app PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavelo_app PUBLIC
  tavelo_app_logic tavelo_util tavelo_radio tavelo_remote tavelo_recording tavelo_engine tavelo_platform
  tavelo_net tavelo_files tavelo_cd Qt6::Widgets Qt6::Network Qt6::Concurrent)
set_target_properties(tavelo_app PROPERTIES AUTOMOC ON)
target_precompile_headers(tavelo_app PRIVATE
  <QWidget> <QLabel> <QPushButton> <QCheckBox> <QComboBox> <QLineEdit> <QSlider> <QString> <QStringList>)

add_executable(tavelo ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tavelo PRIVATE tavelo_app)
target_precompile_headers(tavelo REUSE_FROM tavelo_app)
