# A room is one folder of src/ built as a library. Its headers are reached as "<folder>/..."
# only through an include root of its own that holds nothing but a link to the folder, so a
# file can include only the rooms its target links: an include running the wrong way fails to
# build. tvx_room(NAME SOURCES ... [USES rooms and libraries] [FOLDERS folders]) makes tvx_NAME;
# FOLDERS defaults to NAME.
function(tvx_room name)
  cmake_parse_arguments(ROOM "" "" "SOURCES;USES;FOLDERS" ${ARGN})
  if(NOT ROOM_FOLDERS)
    set(ROOM_FOLDERS ${name})
  endif()
  set(root ${CMAKE_BINARY_DIR}/rooms/${name})
  file(MAKE_DIRECTORY ${root})
  foreach(folder IN LISTS ROOM_FOLDERS)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  add_library(tvx_${name} STATIC ${ROOM_SOURCES})
  target_include_directories(tvx_${name} PUBLIC ${root})
  target_link_libraries(tvx_${name} PUBLIC ${ROOM_USES})
  tvx_warnings(tvx_${name})
endfunction()
