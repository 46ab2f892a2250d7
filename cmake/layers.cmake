# The layers of the program and the direction of their includes.
#
# Every folder that is a layer is one library, which links only the layers below it. Its
# include path does not hold the source tree's top folder but a directory of its own in the
# build tree with a single entry, a link to the layer's folder, so `#include "scan/x.h"`
# resolves only in the layer itself and in the layers above it, which get that directory
# through the link: an include against the arrows finds no file. Each library is also linked
# on its own, whole, against only the layers below it (korvane_check_layer_links), so a call
# against the arrows fails to link even where the include was written around the rule.

# Makes `target`'s own headers reachable as "<folder>/..." for it and for whatever links it.
function(korvane_layer_includes target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  set(link ${root}/${folder})
  if(NOT IS_DIRECTORY ${link})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} RESULT failed SYMBOLIC)
    if(failed)
      # A file system without symbolic links (Windows without the right to make them): the
      # layers then share the top folder and only the link check below holds the arrows.
      message(STATUS "No symbolic link for ${folder}/ (${failed}): it is included from the source tree")
      set(root ${PROJECT_SOURCE_DIR})
    endif()
  endif()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()

# A program that links all of `target` (every object of the archive, used or not) with only
# the libraries it declares: a reference to a symbol of a layer above fails here. Built with
# everything else; GNU and LLVM linkers on ELF systems only.
function(korvane_check_layer_links target)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_VERSION VERSION_LESS 3.24)
    return()
  endif()
  set(main ${CMAKE_BINARY_DIR}/layers/link_check_main.cpp)
  if(NOT EXISTS ${main})
    file(WRITE ${main} "int main() { return 0; }\n")
  endif()
  add_executable(${target}_link_check ${main})
  target_link_libraries(${target}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}>")
endfunction()
