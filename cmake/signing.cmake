# Authenticode signing of the programs the project ships, with osslsigncode and
# SHA-256. Name a PKCS#12 file, or a PEM certificate and key, to sign them as
# they are built; left empty, nothing is signed.
set(AUTORUN_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file holding the code-signing certificate and its private key")
set(AUTORUN_SIGN_CERT "" CACHE FILEPATH
    "PEM file of the code-signing certificate and any intermediates (with AUTORUN_SIGN_KEY)")
set(AUTORUN_SIGN_KEY "" CACHE FILEPATH "PEM file of the certificate's private key")
set(AUTORUN_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File whose first line is the password of the PKCS#12 file or of the key (optional)")
set(AUTORUN_SIGN_TIMESTAMP_URL "" CACHE STRING
    "Address of an RFC 3161 time-stamp server (optional)")

set(AUTORUN_SIGNING OFF)
if(AUTORUN_SIGN_PKCS12 AND (AUTORUN_SIGN_CERT OR AUTORUN_SIGN_KEY))
    message(FATAL_ERROR "Name either AUTORUN_SIGN_PKCS12 or AUTORUN_SIGN_CERT with AUTORUN_SIGN_KEY, not both.")
elseif(AUTORUN_SIGN_PKCS12)
    set(AUTORUN_SIGNING ON)
elseif(AUTORUN_SIGN_CERT OR AUTORUN_SIGN_KEY)
    if(NOT (AUTORUN_SIGN_CERT AND AUTORUN_SIGN_KEY))
        message(FATAL_ERROR "AUTORUN_SIGN_CERT and AUTORUN_SIGN_KEY name a pair: set both.")
    endif()
    set(AUTORUN_SIGNING ON)
endif()
if(AUTORUN_SIGNING)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    message(STATUS "Programs are signed with ${AUTORUN_SIGN_PKCS12}${AUTORUN_SIGN_CERT}")
endif()

# Signs the file of `target` in place once it is linked.
function(autorun_sign target description)
    if(NOT AUTORUN_SIGNING)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} "-DFILE=$<TARGET_FILE:${target}>" "-DDESCRIPTION=${description}"
            "-DPKCS12=${AUTORUN_SIGN_PKCS12}" "-DCERT=${AUTORUN_SIGN_CERT}"
            "-DKEY=${AUTORUN_SIGN_KEY}" "-DPASSWORD_FILE=${AUTORUN_SIGN_PASSWORD_FILE}"
            "-DTIMESTAMP_URL=${AUTORUN_SIGN_TIMESTAMP_URL}" "-DOSSLSIGNCODE=${OSSLSIGNCODE}"
            -P ${CMAKE_SOURCE_DIR}/cmake/sign-file.cmake
        COMMENT "Signing ${target}"
        VERBATIM)
endfunction()
