# The libraries are layers: each sees its own headers and those of the libraries below it, and an
# include that reaches up does not compile. The build, not habit, keeps the layers one-way.
#
# A folder's headers are reached through an include root of its own in the build tree: a folder
# holding one symbolic link, named as the source folder, to that folder. Includes keep their spelling
# ("core/Shell.h"), yet a root shows one library only. A library exports only its own root; linking
# the libraries below it brings theirs.

# vt_include_root(<out-var> <folder>): the include root through which "<name>/..." reaches <folder>,
# <name> being the folder's own name.
function(vt_include_root out folder)
  file(RELATIVE_PATH key "${PROJECT_SOURCE_DIR}" "${folder}")
  get_filename_component(name "${folder}" NAME)
  set(root "${PROJECT_BINARY_DIR}/include-roots/${key}")
  file(MAKE_DIRECTORY "${root}")
  file(CREATE_LINK "${folder}" "${root}/${name}" SYMBOLIC)
  set(${out} "${root}" PARENT_SCOPE)
endfunction()

# vt_add_library(<name> [<lower>...]): the static library vt_<name> from every source below
# src/<name>, built on the libraries vt_<lower> (and so on everything below them).
function(vt_add_library name)
  set(folder "${PROJECT_SOURCE_DIR}/src/${name}")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${folder}/*.cpp")
  add_library(vt_${name} STATIC ${sources})
  vt_include_root(root "${folder}")
  target_include_directories(vt_${name} PUBLIC "${root}")
  set(layers ${name})
  foreach(lower IN LISTS ARGN)
    target_link_libraries(vt_${name} PUBLIC vt_${lower})
    get_target_property(below vt_${lower} VT_LAYERS)
    list(APPEND layers ${below})
  endforeach()
  list(REMOVE_DUPLICATES layers)
  # The layer names this library may include; its tests see the test helpers of the same layers.
  set_target_properties(vt_${name} PROPERTIES VT_LAYERS "${layers}")
endfunction()

# vt_layer_test_roots(<target> <name>): gives a test target the helpers of tests/<layer> for the
# library vt_<name> and every layer below it.
function(vt_layer_test_roots target name)
  get_target_property(layers vt_${name} VT_LAYERS)
  foreach(layer IN LISTS layers)
    if(IS_DIRECTORY "${PROJECT_SOURCE_DIR}/tests/${layer}")
      vt_include_root(root "${PROJECT_SOURCE_DIR}/tests/${layer}")
      target_include_directories(${target} PRIVATE "${root}")
    endif()
  endforeach()
endfunction()
