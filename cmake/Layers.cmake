# The layers of the program. Every folder below src/ is one layer and one
# static library, valorix_<layer>, and a layer is defined only after the
# layers it uses:
#
#   platform  the stand-ins for the operating system: files, profile, code page, clock
#   xml       the parser library: the parsed tree, the event pass, their findings
#   rules     the business rules of both modes and the directories they ask
#   app       the program's values, the data folder, the schema store, the history
#   core      one check of one file: prechecks, detection, validation, verdict
#   online    the update server: status page, SCL download, help
#   ui        what the screens show, toolkit-free: rows, text page, report, HTML page
#   cli, gui  the two front ends
#
# A layer's include root holds only its own folder (a link to it), and the
# roots of the layers it uses reach it through target_link_libraries: an
# #include of a layer that is not below it does not compile. USES are the
# layers its headers need (PUBLIC), PRIVATE_USES those only its sources need.
# A layer that names one defined after it stops the configuration, so the
# layers cannot form a cycle.
function(valorix_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;USES;PRIVATE_USES" ${ARGN})
  set(target valorix_${name})
  foreach(dep IN LISTS L_USES L_PRIVATE_USES)
    if(NOT TARGET valorix_${dep})
      message(FATAL_ERROR "The layer '${name}' uses '${dep}', which is not defined below it.")
    endif()
  endforeach()
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${name})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
  endif()
  add_library(${target} STATIC ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${root})
  foreach(dep IN LISTS L_USES)
    target_link_libraries(${target} PUBLIC valorix_${dep})
  endforeach()
  foreach(dep IN LISTS L_PRIVATE_USES)
    target_link_libraries(${target} PRIVATE valorix_${dep})
  endforeach()
endfunction()
