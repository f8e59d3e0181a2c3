# Physical drives: libburn for scanning, media state, erasing and writing; libcdio for the tray.
pkg_check_modules(DISCENGINE_BURN REQUIRED IMPORTED_TARGET libburn-1)
target_sources(discengine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AudioBurn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BurnChecks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BurnWatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataBurn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Erase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Libburn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Mapping.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PhysicalDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sense.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StreamFeed.cpp
)
target_link_libraries(discengine PRIVATE PkgConfig::DISCENGINE_BURN)
