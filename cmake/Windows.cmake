# The Windows build (cross-compiled with cmake/mingw-w64-x86_64.cmake, see
# `cmake --preset windows`): what differs from the Linux build besides the
# platform layer's own sources.

# windows.h without its min/max macros; localtime_r from the C library's
# headers, as the engine uses it on both systems; printf of the C99 kind
# (%zu, %lld), as the engine formats its texts with it.
add_compile_definitions(NOMINMAX _POSIX_THREAD_SAFE_FUNCTIONS __USE_MINGW_ANSI_STDIO=1)

# The libraries are static (scripts/build-windows-deps.sh).
set_property(TARGET XercesC::XercesC APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XERCES_STATIC_LIBRARY)
set_property(TARGET XercesC::XercesC APPEND PROPERTY INTERFACE_LINK_LIBRARIES advapi32)
set(wxWidgets_CONFIG_EXECUTABLE ${VALORIX_WINDOWS_DEPS}/bin/wx-config CACHE FILEPATH "wx-config of the Windows build")

# nlohmann-json and CLI11 are headers only: Debian's, seen through a folder
# of their own, so that the cross compiler never searches the host's /usr/include.
set(_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_headers})
foreach(_dir nlohmann CLI)
  if(NOT EXISTS /usr/include/${_dir})
    message(FATAL_ERROR "/usr/include/${_dir} is missing: run scripts/install-deps.sh")
  endif()
  if(NOT EXISTS ${_headers}/${_dir})
    file(CREATE_LINK /usr/include/${_dir} ${_headers}/${_dir} SYMBOLIC)
  endif()
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_headers})

# The resources of a program: its manifest (UTF-8 as the process's code
# page, the current common controls, the system's DPI), its version and,
# with GUI, the icon and the toolkit's resources.
function(valorix_windows_resources target)
  cmake_parse_arguments(R "GUI" "" "" ${ARGN})
  set(VALORIX_MANIFEST ${CMAKE_SOURCE_DIR}/resources/windows/valorix.manifest)
  set(VALORIX_ICON ${CMAKE_SOURCE_DIR}/resources/valorix.ico)
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/windows/valorix.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(R_GUI)
    set_property(SOURCE ${rc} APPEND PROPERTY COMPILE_DEFINITIONS VALORIX_GUI_RESOURCES)
    set_property(SOURCE ${rc} APPEND PROPERTY INCLUDE_DIRECTORIES ${wxWidgets_INCLUDE_DIRS})
  endif()
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${VALORIX_MANIFEST} ${VALORIX_ICON})
endfunction()

# The installer (NSIS): build-windows/Valorix-<version>-Setup.exe, made by
# `cmake --build build-windows --target installer`.
find_program(VALORIX_MAKENSIS makensis)
if(VALORIX_MAKENSIS)
  set(VALORIX_SETUP ${CMAKE_BINARY_DIR}/Valorix-${PROJECT_VERSION}-Setup.exe)
  add_custom_command(OUTPUT ${VALORIX_SETUP}
    COMMAND ${VALORIX_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBUILD=${CMAKE_BINARY_DIR}
            -DSOURCE=${CMAKE_SOURCE_DIR} -DOUTFILE=${VALORIX_SETUP} ${CMAKE_SOURCE_DIR}/installer/valorix.nsi
    DEPENDS ${CMAKE_SOURCE_DIR}/installer/valorix.nsi valorix valorix-check manual
            ${CMAKE_SOURCE_DIR}/resources/valorix.ico
    COMMENT "Installationsprogramm Valorix-${PROJECT_VERSION}-Setup.exe")
  add_custom_target(installer DEPENDS ${VALORIX_SETUP})
endif()
