# Layering: a target exposes the headers of its own folder and nothing else of the source tree.
# Consumers include them as "<folder>/Header.h" through a link in the build tree, so a file can
# only include a folder whose target it links (directly or through a public dependency). A
# wrong-way include (engine/ including app/, core/ including a page) does not compile.

# platterly_expose(target): the target and its consumers see "<this folder>/..." only.
function(platterly_expose target)
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  set(link ${root}/${folder})
  if(NOT IS_SYMLINK ${link})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${link} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# platterly_qt(target): the target declares Qt objects and needs the meta-object compiler.
function(platterly_qt target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()
