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
# reference, the licence and the sample disc in one zip named with the version;
# and the kit for authors on Linux as a Debian package (see below).
install(TARGETS autorun autorun_check RUNTIME DESTINATION . COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/docs/autorun-ini.md DESTINATION docs COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT release)
install(DIRECTORY ${CMAKE_BINARY_DIR}/sample-disc/ DESTINATION sample-disc COMPONENT release)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(RELEASE_SYSTEM win64)
else()
    set(RELEASE_SYSTEM win32)
endif()
set(CPACK_PACKAGE_NAME autorun)
set(CPACK_PACKAGE_VENDOR "the AUTORUN.EXE authors")
set(CPACK_PACKAGE_CONTACT "the AUTORUN.EXE authors <maintainers@example.com>")
set(RELEASE_PACKAGE_NAME autorun-${PROJECT_VERSION}-${RELEASE_SYSTEM})
set(CPACK_PACKAGE_FILE_NAME ${RELEASE_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_GENERATOR ZIP)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack-generators.cmake)

# The kit: the PE32 launcher and checker with the checker's x86_64 build, the
# reference, the sample disc and make-disc.sh under /usr/share/autorun-kit, and
# the commands autorun-check and autorun-make-disc that run them under Wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(KIT_DIR share/autorun-kit)
    # Wine runs Windows programs whatever their mode; as data they stay 644.
    install(FILES $<TARGET_FILE:autorun> $<TARGET_FILE:autorun_check> DESTINATION ${KIT_DIR}
        COMPONENT kit)
    install(FILES ${CMAKE_BINARY_DIR}/x86_64/AUTORUN-CHECK.EXE DESTINATION ${KIT_DIR}/x86_64
        COMPONENT kit)
    install(FILES ${CMAKE_SOURCE_DIR}/docs/autorun-ini.md DESTINATION ${KIT_DIR}/docs COMPONENT kit)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/sample-disc/ DESTINATION ${KIT_DIR}/sample-disc
        COMPONENT kit)
    install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/make-disc.sh DESTINATION ${KIT_DIR} COMPONENT kit)
    install(FILES ${CMAKE_SOURCE_DIR}/scripts/wine-arch.sh DESTINATION ${KIT_DIR} COMPONENT kit)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/scripts/wine64 DESTINATION ${KIT_DIR}
        USE_SOURCE_PERMISSIONS COMPONENT kit)
    install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/kit/autorun-check
        ${CMAKE_SOURCE_DIR}/scripts/kit/autorun-make-disc DESTINATION bin COMPONENT kit)
    install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/autorun-kit RENAME copyright
        COMPONENT kit)
    # The sample's AUTORUN.INI is UTF-16, as the launcher reads it.
    file(WRITE ${CMAKE_BINARY_DIR}/kit/autorun-kit.lintian-overrides
        "autorun-kit: national-encoding [usr/share/autorun-kit/sample-disc/AUTORUN.INI]\n")
    install(FILES ${CMAKE_BINARY_DIR}/kit/autorun-kit.lintian-overrides
        DESTINATION share/lintian/overrides RENAME autorun-kit COMPONENT kit)
    string(TIMESTAMP KIT_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/kit/changelog CONTENT "autorun-kit (${PROJECT_VERSION}) unstable; urgency=low

  * Release ${PROJECT_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  ${KIT_DATE}
" @ONLY)
    set(KIT_GZIPPED ${CMAKE_BINARY_DIR}/kit/changelog.gz ${CMAKE_BINARY_DIR}/kit/autorun-check.1.gz
        ${CMAKE_BINARY_DIR}/kit/autorun-make-disc.1.gz)
    add_custom_command(OUTPUT ${KIT_GZIPPED}
        COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/kit/changelog > ${CMAKE_BINARY_DIR}/kit/changelog.gz
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/man/autorun-check.1
            > ${CMAKE_BINARY_DIR}/kit/autorun-check.1.gz
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/man/autorun-make-disc.1
            > ${CMAKE_BINARY_DIR}/kit/autorun-make-disc.1.gz
        DEPENDS ${CMAKE_BINARY_DIR}/kit/changelog ${CMAKE_SOURCE_DIR}/docs/man/autorun-check.1
            ${CMAKE_SOURCE_DIR}/docs/man/autorun-make-disc.1)
    add_custom_target(kit_documents ALL DEPENDS ${KIT_GZIPPED})
    install(FILES ${CMAKE_BINARY_DIR}/kit/changelog.gz DESTINATION share/doc/autorun-kit
        COMPONENT kit)
    install(FILES ${CMAKE_BINARY_DIR}/kit/autorun-check.1.gz
        ${CMAKE_BINARY_DIR}/kit/autorun-make-disc.1.gz DESTINATION share/man/man1 COMPONENT kit)
    list(APPEND CPACK_GENERATOR DEB)
    set(KIT_PACKAGE_FILE autorun-kit_${PROJECT_VERSION}_all.deb)
    set(CPACK_DEBIAN_KIT_PACKAGE_NAME autorun-kit)
    set(CPACK_DEBIAN_KIT_FILE_NAME ${KIT_PACKAGE_FILE})
    set(CPACK_DEBIAN_KIT_PACKAGE_ARCHITECTURE all)
    set(CPACK_DEBIAN_KIT_PACKAGE_DEPENDS "wine, xorriso")
    set(CPACK_DEBIAN_KIT_PACKAGE_RECOMMENDS osslsigncode)
    set(CPACK_DEBIAN_KIT_PACKAGE_SECTION devel)
    set(CPACK_DEBIAN_KIT_DESCRIPTION "Windows disc launcher kit for authors on Linux
AUTORUN.EXE shows a window of picture buttons when an installation disc is
inserted and runs the command of the button clicked, all as its AUTORUN.INI
says. The kit holds the launcher, its checker AUTORUN-CHECK.EXE, the
author's reference and a sample disc, with autorun-check, which runs the
checker under Wine, and autorun-make-disc, which makes a disc image.")
endif()
include(CPack)
