# The audio CD image and its write job.
target_sources(discengine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AudioCDImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioWriteEvents.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioWriteJob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CdWav.cpp
)
