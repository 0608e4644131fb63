# Signs FILE in place: cmake -DFILE=... (-DPKCS12=... | -DCERT=... -DKEY=...)
#   [-DPASSWORD_FILE=...] [-DTIMESTAMP_URL=...] [-DDESCRIPTION=...]
#   [-DOSSLSIGNCODE=...] -P sign-file.cmake
# The signed file is written beside FILE and only then replaces it, so a
# failure never leaves a half-signed program.
if(NOT FILE OR NOT EXISTS "${FILE}")
    message(FATAL_ERROR "sign-file: no file to sign: '${FILE}'")
endif()
if(NOT OSSLSIGNCODE)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
endif()

set(arguments sign -h sha256)
if(PKCS12)
    list(APPEND arguments -pkcs12 "${PKCS12}")
elseif(CERT AND KEY)
    list(APPEND arguments -certs "${CERT}" -key "${KEY}")
else()
    message(FATAL_ERROR "sign-file: name PKCS12, or CERT with KEY")
endif()
if(PASSWORD_FILE)
    list(APPEND arguments -readpass "${PASSWORD_FILE}")
endif()
if(DESCRIPTION)
    list(APPEND arguments -n "${DESCRIPTION}")
endif()
if(TIMESTAMP_URL)
    list(APPEND arguments -ts "${TIMESTAMP_URL}")
endif()

set(signed "${FILE}.signing")
file(REMOVE "${signed}")
execute_process(COMMAND "${OSSLSIGNCODE}" ${arguments} -in "${FILE}" -out "${signed}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${signed}")
    file(REMOVE "${signed}")
    message(FATAL_ERROR "sign-file: osslsigncode could not sign ${FILE}:\n${output}")
endif()
file(RENAME "${signed}" "${FILE}")
