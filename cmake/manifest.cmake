# One manifest for every program the build makes: the launcher's own, so that
# the checker and the test programs declare the same DPI awareness and see
# the display as the launcher does (a runtime stretches a window of a program
# that declares none, and shows it the screen at 96 DPI).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(AUTORUN_MANIFEST_ARCH amd64)
else()
    set(AUTORUN_MANIFEST_ARCH x86)
endif()
set(AUTORUN_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

# Writes the manifest of the program called NAME, described as DESCRIPTION, to FILE.
function(configure_manifest file name description)
    set(AUTORUN_MANIFEST_NAME ${name})
    set(AUTORUN_DESCRIPTION ${description})
    configure_file(${CMAKE_SOURCE_DIR}/res/autorun.manifest.in ${file} @ONLY)
endfunction()

# Links the manifest into TARGET, a program that has no version resource.
function(add_program_manifest target name description)
    set(dir ${CMAKE_BINARY_DIR}/manifests)
    configure_manifest(${dir}/${name}.manifest ${name} "${description}")
    file(WRITE ${dir}/${name}.rc.new
        "#include <windows.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${dir}/${name}.manifest\"\n")
    file(COPY_FILE ${dir}/${name}.rc.new ${dir}/${name}.rc ONLY_IF_DIFFERENT)
    set_source_files_properties(${dir}/${name}.rc PROPERTIES OBJECT_DEPENDS ${dir}/${name}.manifest)
    target_sources(${target} PRIVATE ${dir}/${name}.rc)
endfunction()
