# The header-only libraries of the station program, CLI11 and nlohmann-json,
# from the build machine's Debian packages. A folder of their own holds just
# them, so that the cross build for Windows takes these headers and nothing
# else of the build machine's include directory.
if(TARGET station_headers)
  return()
endif()
find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(NLOHMANN_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT CLI11_HEADERS OR NOT NLOHMANN_JSON_HEADERS)
  message(FATAL_ERROR "prodstation needs the Debian packages libcli11-dev and nlohmann-json3-dev")
endif()
set(STATION_HEADERS_DIR ${PROJECT_BINARY_DIR}/station_headers)
file(COPY ${CLI11_HEADERS}/CLI ${NLOHMANN_JSON_HEADERS}/nlohmann DESTINATION ${STATION_HEADERS_DIR})
add_library(station_headers INTERFACE)
target_include_directories(station_headers SYSTEM INTERFACE ${STATION_HEADERS_DIR})
