# The data image: layout, ISO9660/Joliet/UDF writes to image files and virtual recorders,
# verification and image loading, on top of isofs.
target_sources(discengine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DataImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeviceJob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DiscSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageFileJob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageSources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Reporter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SampleDataDisc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Verify.cpp
)
target_link_libraries(discengine PRIVATE isofs)
