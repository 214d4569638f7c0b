# One folder, one target. A folder's CMakeLists.txt calls
#   lesnor_folder_library(<links below...>)
# which defines the static library lesnor_<folder> from the folder's sources (added by
# the folder with target_sources) and makes the folder's headers reachable as
# "<folder>/Name.h" only to the targets that link it: the include root is a folder of
# the build tree holding just a link to this one folder, never the source tree's root.
# `links` are the lower folders' targets and the libraries the folder uses; they are
# public, so a target sees the headers of every folder below the ones it names.
# tests/layers/check-layers.sh (the test `layers`) checks the order of the folders.
function(lesnor_folder_library)
    get_filename_component(_folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(_target lesnor_${_folder})
    set(_root ${CMAKE_BINARY_DIR}/include/${_folder})
    file(MAKE_DIRECTORY ${_root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${_root}/${_folder} SYMBOLIC)
    add_library(${_target} STATIC)
    target_include_directories(${_target} PUBLIC ${_root})
    target_link_libraries(${_target} PUBLIC ${ARGN} PRIVATE lesnor_warnings)
endfunction()
