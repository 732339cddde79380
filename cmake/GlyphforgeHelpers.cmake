# Targets pick up every source in their own folder (not below it), so adding a file never
# means editing a list; each layer is one library target.
set(GF_WARNINGS -Wall -Wextra -Wpedantic -Wno-missing-field-initializers
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)

function(gf_collect_sources out dir)
    file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    set(${out} ${_srcs} PARENT_SCOPE)
endfunction()

function(gf_warnings target)
    target_compile_options(${target} PRIVATE ${GF_WARNINGS})
endfunction()

# gf_add_layer(NAME DIR [EXCLUDE file...] [DEPS target...])
# A layer library made of the sources in DIR. A layer whose folder holds no sources yet is an
# interface target, so dependants link the same way before and after it grows.
function(gf_add_layer name dir)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS" ${ARGN})
    gf_collect_sources(_srcs ${dir})
    foreach(_ex IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM _srcs ${dir}/${_ex})
    endforeach()
    set(_cpp ${_srcs})
    list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
    if(_cpp)
        add_library(${name} STATIC ${_srcs})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
        gf_warnings(${name})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# The hicolor sizes the program's icon is installed at.
set(GF_ICON_SIZES 16 22 24 32 48 64 128 256)

# gf_install_man_page(SOURCE.in): the page filled in with the version and release date,
# compressed as Debian installs man pages (where gzip is at hand), and installed in section 1.
function(gf_install_man_page source)
    get_filename_component(_name ${source} NAME_WLE)
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${_name})
    configure_file(${source} ${_page} @ONLY)
    find_program(GF_GZIP gzip)
    if(GF_GZIP)
        add_custom_command(OUTPUT ${_page}.gz
            COMMAND ${GF_GZIP} -9 -n -c ${_page} > ${_page}.gz
            DEPENDS ${_page})
        string(MAKE_C_IDENTIFIER "man_${_name}" _target)
        add_custom_target(${_target} ALL DEPENDS ${_page}.gz)
        install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        install(FILES ${_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endfunction()
