# The Windows launcher's VERSIONINFO and string table, generated from the
# defaults of the resource block the launcher reads, so Windows' file properties
# never show other values than the launcher itself uses.

# The value of "<id>=" in the resource block's default texts.
function(zorbit_resource_default block id out)
    string(REGEX MATCH "\"${id}=([^\"\\\\]*)\\\\n\"" found "${block}")
    if(NOT found)
        message(FATAL_ERROR "resources/resource_block.cpp has no default for ${id}")
    endif()
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# Adds the generated resource script to target.
function(zorbit_add_version_resource target)
    set(source ${PROJECT_SOURCE_DIR}/resources/resource_block.cpp)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} block)
    zorbit_resource_default("${block}" FileVersion ZORBIT_RC_FILE_VERSION)
    zorbit_resource_default("${block}" 104 ZORBIT_RC_INSTALL_HOST)
    zorbit_resource_default("${block}" 105 ZORBIT_RC_BASE_HOST)
    string(REGEX REPLACE "[ ,.]+" "." dotted "${ZORBIT_RC_FILE_VERSION}")
    if(NOT dotted STREQUAL PROJECT_VERSION)
        message(FATAL_ERROR "The resource block's FileVersion \"${ZORBIT_RC_FILE_VERSION}\" "
            "is not the project's version ${PROJECT_VERSION}")
    endif()
    string(REPLACE "." "," ZORBIT_RC_VERSION_COMMAS "${PROJECT_VERSION}")
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${CMAKE_CURRENT_SOURCE_DIR}/launcher/version_resource.rc.in ${script} @ONLY)
    target_sources(${target} PRIVATE ${script})
endfunction()
