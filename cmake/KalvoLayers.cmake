# The layers are enforced by the build: every library's include root in the build tree holds only a
# symbolic link to its own folder, so an include keeps its spelling ("storage/file_io.h") but finds a file
# only when the target links the layer it names. An include that runs upwards does not compile.
#
# Nothing else may put src/ itself on an include path: that one folder would expose every layer again.
set(KALVO_LAYER_ROOTS ${PROJECT_BINARY_DIR}/layers)

# kalvo_layer_headers(<target> <prefix> [FROM <folder>] [EXCEPT <subfolder>... | ONLY <header>...])
#   <prefix>  how includes name the folder, e.g. "storage" or "platform/qt"
#   FROM      the folder itself; src/<prefix> unless given
#   EXCEPT    subfolders that belong to other targets (storage/ical, platform/qt): the folder's entries are
#             then linked one by one, without them
#   ONLY      the headers of a target that owns a few files of a folder another target owns (the Windows
#             version's functions, built everywhere, in platform/win32): only these are linked
function(kalvo_layer_headers target prefix)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "FROM" "EXCEPT;ONLY")
  if(NOT arg_FROM)
    set(arg_FROM ${PROJECT_SOURCE_DIR}/src/${prefix})
  endif()
  set(root ${KALVO_LAYER_ROOTS}/${target})
  # Made afresh on every configure, so a removed or moved file leaves no stale link behind. CMake removes
  # the links themselves, never what they point to.
  file(REMOVE_RECURSE ${root})
  if(arg_ONLY)
    file(MAKE_DIRECTORY ${root}/${prefix})
    foreach(entry IN LISTS arg_ONLY)
      file(CREATE_LINK ${arg_FROM}/${entry} ${root}/${prefix}/${entry} SYMBOLIC)
    endforeach()
  elseif(arg_EXCEPT)
    file(MAKE_DIRECTORY ${root}/${prefix})
    file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES true RELATIVE ${arg_FROM} ${arg_FROM}/*)
    list(REMOVE_ITEM entries ${arg_EXCEPT})
    foreach(entry IN LISTS entries)
      if(IS_DIRECTORY ${arg_FROM}/${entry} OR entry MATCHES "\\.(h|hpp)$")
        file(CREATE_LINK ${arg_FROM}/${entry} ${root}/${prefix}/${entry} SYMBOLIC)
      endif()
    endforeach()
  else()
    get_filename_component(parent ${root}/${prefix} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${arg_FROM} ${root}/${prefix} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
