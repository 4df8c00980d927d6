# nlohmann-json for a cross build: the library is headers alone, so the host's serve any target.
# They are linked into a folder of their own, so that the rest of the host's /usr/include stays
# out of the target's view.
find_path(UPSCONFIG_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT UPSCONFIG_JSON_INCLUDE)
    message(FATAL_ERROR "No nlohmann/json.hpp (package nlohmann-json3-dev)")
endif()
set(upsconfig_json_dir ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${upsconfig_json_dir})
file(CREATE_LINK ${UPSCONFIG_JSON_INCLUDE}/nlohmann ${upsconfig_json_dir}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${upsconfig_json_dir})
