# From the build to what is handed out: the sample disc's image and the
# release zip.

# cmake --build --preset win32 --target disc-image
set(SAMPLE_DISC_LABEL HARBOR)
add_custom_target(disc-image
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
        bash ${CMAKE_SOURCE_DIR}/scripts/make-disc.sh --force --checker $<TARGET_FILE:autorun_check>
        ${CMAKE_BINARY_DIR}/sample-disc ${SAMPLE_DISC_LABEL} ${CMAKE_BINARY_DIR}/${SAMPLE_DISC_LABEL}.iso
    COMMENT "Making ${SAMPLE_DISC_LABEL}.iso from the sample disc"
    VERBATIM)
add_dependencies(disc-image sample_disc autorun_check)

# Where 32-bit programs cannot run, make-disc.sh runs the checker's x86_64 build
# from x86_64/ beside the 32-bit one: the 32-bit build makes it too.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    include(ExternalProject)
    if(CMAKE_GENERATOR MATCHES "Makefiles")
        set(CHECKER_BUILD_COMMAND $(MAKE) autorun_check)
    else()
        set(CHECKER_BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target autorun_check)
    endif()
    ExternalProject_Add(checker_x86_64
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/x86_64-checker
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-x86_64.cmake
            -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DAUTORUN_BUILD_TESTS=OFF
            -DAUTORUN_SIGN_PKCS12=${AUTORUN_SIGN_PKCS12} -DAUTORUN_SIGN_CERT=${AUTORUN_SIGN_CERT}
            -DAUTORUN_SIGN_KEY=${AUTORUN_SIGN_KEY}
            -DAUTORUN_SIGN_PASSWORD_FILE=${AUTORUN_SIGN_PASSWORD_FILE}
            -DAUTORUN_SIGN_TIMESTAMP_URL=${AUTORUN_SIGN_TIMESTAMP_URL}
        BUILD_COMMAND ${CHECKER_BUILD_COMMAND}
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/AUTORUN-CHECK.EXE
            ${CMAKE_BINARY_DIR}/x86_64/AUTORUN-CHECK.EXE
        BUILD_ALWAYS ON)
    add_dependencies(disc-image checker_x86_64)
endif()

# cpack --preset win32, after a build: the launcher, the checker, the author's
# reference, the licence and the sample disc in one zip named with the version.
install(TARGETS autorun autorun_check RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/docs/autorun-ini.md DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(DIRECTORY ${CMAKE_BINARY_DIR}/sample-disc/ DESTINATION sample-disc)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(RELEASE_SYSTEM win64)
else()
    set(RELEASE_SYSTEM win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME autorun)
set(CPACK_PACKAGE_VENDOR "the AUTORUN.EXE authors")
set(RELEASE_PACKAGE_NAME autorun-${PROJECT_VERSION}-${RELEASE_SYSTEM})
set(CPACK_PACKAGE_FILE_NAME ${RELEASE_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
