# Header-only libraries from Debian (nlohmann-json, CLI11, Eigen): their folder is copied aside
# and put on one target's include path, so a cross build takes them without the host's
# /usr/include. A suffix after the header names the folder's parent under an include directory
# ("eigen3" for /usr/include/eigen3/Eigen).
function(tvx_staged_headers target folder header)
  find_path(TVX_${folder}_DIR ${folder}/${header} PATHS /usr/include PATH_SUFFIXES ${ARGN}
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  file(COPY ${TVX_${folder}_DIR}/${folder} DESTINATION ${CMAKE_BINARY_DIR}/staged-include)
  target_include_directories(${target} SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/staged-include)
endfunction()
