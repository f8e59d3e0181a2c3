# Disc images a user brings (cue sheets, cdrdao TOCs, ISO and BIN files) into the drive store.
target_sources(discengine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CueReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DiscPlan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PayloadWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sectors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SheetFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SheetText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TocReader.cpp
)
