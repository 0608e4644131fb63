# The pictures and sounds are made by tools/assetgen, a host program built with
# the machine's own compiler and run during the build.
find_program(HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)

file(GLOB ASSETGEN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assetgen/*.cpp)
file(GLOB ASSETGEN_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assetgen/*.h)
set(ASSETGEN ${CMAKE_BINARY_DIR}/host/assetgen)
set(ASSET_DIR ${CMAKE_BINARY_DIR}/assets)
set(ASSET_FILES ${ASSET_DIR}/res/launcher.ico ${ASSET_DIR}/res/background.bmp
    ${ASSET_DIR}/res/intro.wav ${ASSET_DIR}/res/click.wav)

add_custom_command(OUTPUT ${ASSETGEN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${HOST_CXX} -std=c++17 -O2 ${ASSETGEN_SOURCES} -o ${ASSETGEN}
    DEPENDS ${ASSETGEN_SOURCES} ${ASSETGEN_HEADERS}
    COMMENT "Building the asset generator for the build machine")

# Emptied first, so that no file an older generator wrote reaches the sample disc.
add_custom_command(OUTPUT ${ASSET_FILES} ${ASSET_DIR}/stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ASSET_DIR}
    COMMAND ${ASSETGEN} ${ASSET_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${ASSET_DIR}/stamp
    DEPENDS ${ASSETGEN}
    COMMENT "Generating icon, bitmaps, sounds and the sample disc")
add_custom_target(assets DEPENDS ${ASSET_DIR}/stamp)

configure_file(${CMAKE_SOURCE_DIR}/res/autorun.rc.in ${CMAKE_BINARY_DIR}/autorun.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/autorun.rc PROPERTIES OBJECT_DEPENDS "${ASSET_FILES}")
# The compiled resources, linked as an object into the program and the test programs.
add_library(launcher_resources OBJECT ${CMAKE_BINARY_DIR}/autorun.rc)
add_dependencies(launcher_resources assets)
