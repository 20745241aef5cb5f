# Embeds the 52 schema files into the program: each becomes a byte range in the
# read-only data, keyed by its resource id. The published ones are listed in
# schemas.manifest and must be present; a schema that was never published
# (not in the manifest) is embedded empty and named in a warning.
#
# VALORIX_SCHEMA_ROWS is the one list of schema ids: one row per file the
# program writes into the data folder, in the order it writes them, as
#   ID NAME[=SOURCE]
# NAME is the file's path in the data folder, SOURCE the file below
# VALORIX_SCHEMA_DIR when it is not NAME. A resource written under two names
# has two rows with the same id and source. The program's table of schemas
# (kSchemaTable in src/app/schemastore.h) is generated from these rows.

set(VALORIX_SCHEMA_ROWS
  # The editions after 3.0: the DK subsets in one folder per data-format
  # version, beside the container that imports them by their plain names;
  # the ISO originals apart, for comparison.
  370 GBIC_5/pain.001.001.09.xsd=current/dk/pain.001.001.09_GBIC_5.xsd
  371 GBIC_5/pain.008.001.08.xsd=current/dk/pain.008.001.08_GBIC_5.xsd
  372 GBIC_5/pain.007.001.09.xsd=current/dk/pain.007.001.09_GBIC_5.xsd
  363 GBIC_5/container.nnn.001.GBIC4.xsd=current/dk/container.nnn.001.GBIC4.xsd
  360 GBIC_4/pain.001.001.09.xsd=current/dk/pain.001.001.09_GBIC_4.xsd
  361 GBIC_4/pain.008.001.08.xsd=current/dk/pain.008.001.08_GBIC_4.xsd
  362 GBIC_4/pain.007.001.09.xsd=current/dk/pain.007.001.09_GBIC_4.xsd
  363 GBIC_4/container.nnn.001.GBIC4.xsd=current/dk/container.nnn.001.GBIC4.xsd
  364 pain.002.001.10.xsd=current/dk/pain.002.001.10.xsd
  355 camt.052.001.08.xsd=current/iso/camt.052.001.08.xsd
  356 camt.053.001.08.xsd=current/iso/camt.053.001.08.xsd
  365 camt.054.001.08.xsd=current/dk/camt.054.001.08.xsd
  352 ISO/pain.001.001.09.xsd=current/iso/pain.001.001.09.xsd
  353 ISO/pain.008.001.08.xsd=current/iso/pain.008.001.08.xsd
  354 ISO/pain.002.001.10.xsd=current/iso/pain.002.001.10.xsd
  357 ISO/camt.054.001.08.xsd=current/iso/camt.054.001.08.xsd
  348 container.nnn.001.02.xsd
  349 pain.001.001.03.xsd
  350 pain.008.001.02.xsd
  351 pain.002.001.03.xsd
  346 ISO.A.pain.001.001.03.xsd
  347 ISO.A.pain.008.001.02.xsd
  342 ISO.pain.001.001.03.austrian.003.xsd
  343 ISO.pain.008.001.02.austrian.003.xsd
  344 RB6.0_pain.001_codelists.xsd
  345 RB6.0_pain.008_codelists.xsd
  341 BbkXmwBasis.xsd
  340 BbkXmwAwzel.xsd
  336 container.nnn.003.02.xsd
  337 pain.001.003.03.xsd
  338 pain.008.003.02.xsd
  339 pain.002.003.03.xsd
  333 ZKA.camt.052.001.02.v02.xsd
  334 ZKA.camt.053.001.02.v02.xsd
  335 ZKA.camt.054.001.02.v02.xsd
  329 ISO.pain.001.001.02.austrian.002.xsd
  330 ISO.pain.008.001.01.austrian.002.xsd
  331 ISO.pain.001.001.03.austrian.001.xsd
  332 ISO.pain.008.001.02.austrian.001.xsd
  325 container.nnn.002.02.xsd
  326 pain.001.002.03.xsd
  327 pain.008.002.02.xsd
  328 pain.002.002.03.xsd
  321 container.nnn.002.xsd
  322 pain.001.002.02.xsd
  323 pain.008.002.01.xsd
  324 pain.002.002.02.xsd
  320 pain.008.001.01.xsd
  319 pain.008.001.01.grp.xsd
  318 pain.008.001.01.con.xsd
  311 pain.001.001.02.xsd
  313 pain.001.001.02.grp.xsd
  312 pain.001.001.02.con.xsd
)

# Every published file of the manifest must be in VALORIX_SCHEMA_DIR with its
# hash; scripts/fetch-schemas.sh downloads them where the folder is missing.
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/schemas.manifest" _manifest REGEX "^[^#]")
set(_absent "")
set(_altered "")
foreach(_row IN LISTS _manifest)
  string(REPLACE "\t" ";" _row "${_row}")
  list(GET _row 0 _path)
  list(GET _row 1 _sha)
  if(NOT EXISTS "${VALORIX_SCHEMA_DIR}/${_path}")
    list(APPEND _absent "${_path}")
  else()
    file(SHA256 "${VALORIX_SCHEMA_DIR}/${_path}" _got)
    if(NOT _got STREQUAL _sha)
      list(APPEND _altered "${_path}")
    endif()
  endif()
endforeach()
if(_absent OR _altered)
  list(LENGTH _absent _nabsent)
  list(LENGTH _altered _naltered)
  string(REPLACE ";" "\n  " _absent_text "${_absent}")
  string(REPLACE ";" "\n  " _altered_text "${_altered}")
  message(FATAL_ERROR "Published schema files in ${VALORIX_SCHEMA_DIR}: ${_nabsent} missing, "
          "${_naltered} with another SHA-256 than cmake/schemas.manifest gives.\n"
          "Missing:\n  ${_absent_text}\nAnother hash:\n  ${_altered_text}\n"
          "Download them with: scripts/fetch-schemas.sh ${VALORIX_SCHEMA_DIR}\n"
          "(or point -DVALORIX_SCHEMA_DIR=... at a folder that holds them)")
endif()

# Read-only data: ".rodata" in ELF, ".rdata" in the PE files of Windows.
if(WIN32)
  set(_asm "# Generated: the embedded schema resources.\n\t.section .rdata,\"dr\"\n")
else()
  set(_asm "# Generated: the embedded schema resources.\n\t.section .rodata\n")
endif()
set(_table "")
set(_rows "")
set(_decls "")
set(_missing "")
set(VALORIX_EMBEDDED_SCHEMA_COUNT 0)
list(LENGTH VALORIX_SCHEMA_ROWS _n)
math(EXPR _last "${_n} - 1")
set(_deps "")
foreach(_i RANGE 0 ${_last} 2)
  math(EXPR _j "${_i} + 1")
  list(GET VALORIX_SCHEMA_ROWS ${_i} _id)
  list(GET VALORIX_SCHEMA_ROWS ${_j} _row)
  if(NOT _id MATCHES "^[0-9]+$")
    message(FATAL_ERROR "VALORIX_SCHEMA_ROWS: \"${_id} ${_row}\" does not start with a resource id")
  endif()
  string(FIND "${_row}" "=" _eq)
  if(_eq EQUAL -1)
    set(_target "${_row}")
    set(_name "${_row}")
  else()
    string(SUBSTRING "${_row}" 0 ${_eq} _target)
    math(EXPR _from "${_eq} + 1")
    string(SUBSTRING "${_row}" ${_from} -1 _name)
  endif()
  string(APPEND _rows "    {${_id}, \"${_target}\", \"${_name}\"},\n")
  # A resource written under a second name is embedded once.
  if(DEFINED _src_of_${_id})
    if(NOT _src_of_${_id} STREQUAL _name)
      message(FATAL_ERROR "VALORIX_SCHEMA_ROWS: id ${_id} names ${_src_of_${_id}} and ${_name}")
    endif()
    continue()
  endif()
  set(_src_of_${_id} "${_name}")
  set(_file "${VALORIX_SCHEMA_DIR}/${_name}")
  string(APPEND _asm "\t.global valorix_res_${_id}_begin\n\t.global valorix_res_${_id}_end\n\t.balign 8\nvalorix_res_${_id}_begin:\n")
  if(EXISTS "${_file}")
    string(APPEND _asm "\t.incbin \"${_file}\"\n")
    list(APPEND _deps "${_file}")
    math(EXPR VALORIX_EMBEDDED_SCHEMA_COUNT "${VALORIX_EMBEDDED_SCHEMA_COUNT} + 1")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_file}")
  else()
    list(APPEND _missing "${_name} (${_id})")
  endif()
  string(APPEND _asm "valorix_res_${_id}_end:\n\t.byte 0\n")
  string(APPEND _decls "extern const unsigned char valorix_res_${_id}_begin[];\nextern const unsigned char valorix_res_${_id}_end[];\n")
  string(APPEND _table "    {${_id}, valorix_res_${_id}_begin, valorix_res_${_id}_end},\n")
endforeach()
if(NOT WIN32)
  string(APPEND _asm "\t.section .note.GNU-stack,\"\",@progbits\n")
endif()

if(_missing)
  list(LENGTH _missing _nmissing)
  string(REPLACE ";" ", " _missing_text "${_missing}")
  message(WARNING "${_nmissing} schema files are missing in ${VALORIX_SCHEMA_DIR} and are embedded empty: ${_missing_text}")
endif()

set(_gen "${CMAKE_BINARY_DIR}/generated")
file(MAKE_DIRECTORY "${_gen}")
file(WRITE "${_gen}/schema_resources.S.tmp" "${_asm}")
configure_file("${_gen}/schema_resources.S.tmp" "${_gen}/schema_resources.S" COPYONLY)
file(WRITE "${_gen}/schema_table.cpp.tmp"
"// Generated from VALORIX_SCHEMA_ROWS in cmake/EmbedSchemas.cmake: the
// embedded schema resources and the schemas written into the data folder.
#include \"app/resources.h\"
#include \"app/schemastore.h\"

extern \"C\" {
${_decls}}

namespace valorix {
const EmbeddedResource kEmbeddedResources[] = {
${_table}};
const size_t kEmbeddedResourceCount = sizeof(kEmbeddedResources) / sizeof(kEmbeddedResources[0]);

namespace {
const SchemaRow kSchemaRows[] = {
${_rows}};
}  // namespace
extern const std::span<const SchemaRow> kSchemaTable = kSchemaRows;
}  // namespace valorix
")
configure_file("${_gen}/schema_table.cpp.tmp" "${_gen}/schema_table.cpp" COPYONLY)
set_source_files_properties("${_gen}/schema_resources.S" PROPERTIES OBJECT_DEPENDS "${_deps}")
set(VALORIX_SCHEMA_SOURCES "${_gen}/schema_resources.S" "${_gen}/schema_table.cpp")
