# palavrix_stage_file(<source> [DESTINATION <subfolder>]): copy a file into the portable
# program folder at build time and install it among the shipped files.
function(palavrix_stage_file source)
    cmake_parse_arguments(ARG "" "DESTINATION" "" ${ARGN})
    get_filename_component(abs ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME)
    set(destdir ${PALAVRIX_STAGE_DIR})
    if(ARG_DESTINATION)
        set(destdir ${PALAVRIX_STAGE_DIR}/${ARG_DESTINATION})
    endif()
    string(MAKE_C_IDENTIFIER "stage_${ARG_DESTINATION}_${name}" tname)
    add_custom_command(OUTPUT ${destdir}/${name}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${destdir}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${abs} ${destdir}/${name}
        DEPENDS ${abs} VERBATIM)
    add_custom_target(${tname} DEPENDS ${destdir}/${name})
    add_dependencies(palavrix_stage ${tname})
    install(FILES ${abs} DESTINATION ${PALAVRIX_INSTALL_SHARED_DIR}/${ARG_DESTINATION})
endfunction()
