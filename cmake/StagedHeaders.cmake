# Header-only libraries from Debian (nlohmann-json, CLI11): their folder is copied aside and put
# on one target's include path, so a cross build takes them without the host's /usr/include.
function(tvx_staged_headers target folder header)
  find_path(TVX_${folder}_DIR ${folder}/${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
            REQUIRED)
  file(COPY ${TVX_${folder}_DIR}/${folder} DESTINATION ${CMAKE_BINARY_DIR}/staged-include)
  target_include_directories(${target} SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/staged-include)
endfunction()
