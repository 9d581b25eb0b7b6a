# Writes libical's own zone descriptions (the zoneinfo folder that libical installs: one .ics file per
# location) as the C++ table of src/storage/ical/zone_descriptions.h, for the Windows build, which has no
# system zone data for libical to read.
#   cmake -DZONEINFO=<prefix>/share/libical/zoneinfo -DOUTPUT=<file.cpp> -P KalvoZoneTable.cmake
# Of each VTIMEZONE only its observances (STANDARD and DAYLIGHT) are kept; the TZID and the location are
# made from the file's name when the zone is used. Locations with the same rules (most of them: a zone
# and its aliases) share one text.
cmake_minimum_required(VERSION 3.25)
if(NOT IS_DIRECTORY "${ZONEINFO}")
  message(FATAL_ERROR "No zoneinfo folder at ${ZONEINFO}")
endif()

file(GLOB_RECURSE files RELATIVE "${ZONEINFO}" "${ZONEINFO}/*.ics")
list(SORT files)  # byte order, which the lookup's binary search expects
set(texts "")
set(rows "")
set(count 0)
set(shared 0)
foreach(file IN LISTS files)
  string(REGEX REPLACE "\\.ics$" "" location "${file}")
  file(STRINGS "${ZONEINFO}/${file}" lines)
  set(inside FALSE)
  set(body "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "\r$" "" line "${line}")
    if(line STREQUAL "BEGIN:VTIMEZONE")
      set(inside TRUE)
    elseif(line STREQUAL "END:VTIMEZONE")
      set(inside FALSE)
    elseif(inside AND NOT line MATCHES "^(TZID|TZID-ALIAS-OF|LAST-MODIFIED|X-LIC-LOCATION)[:;]")
      string(REPLACE "\\" "\\\\" line "${line}")
      string(REPLACE "\"" "\\\"" line "${line}")
      string(APPEND body "    \"${line}\\r\\n\"\n")
    endif()
  endforeach()
  if(body STREQUAL "" OR NOT body MATCHES "BEGIN:(STANDARD|DAYLIGHT)")
    message(FATAL_ERROR "${ZONEINFO}/${file} holds no VTIMEZONE with observances")
  endif()
  string(SHA1 hash "${body}")
  if(NOT DEFINED text_${hash})
    set(text_${hash} "kRules${shared}")
    string(APPEND texts "constexpr char kRules${shared}[] =\n${body};\n")
    math(EXPR shared "${shared} + 1")
  endif()
  string(APPEND rows "    {\"${location}\", ${text_${hash}}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "No zone files in ${ZONEINFO}")
endif()

set(content "// Made by cmake/KalvoZoneTable.cmake from ${ZONEINFO}: ${count} locations, ${shared} rule sets.

#include \"storage/ical/zone_descriptions.h\"

namespace kalvo::storage::ical {
namespace {

${texts}
}  // namespace

const ZoneDescription kZoneDescriptions[] = {
${rows}};
const std::size_t kZoneDescriptionCount = ${count};

}  // namespace kalvo::storage::ical
")
# Replaced only when it changes, so that nothing is compiled again for the same zones.
file(WRITE "${OUTPUT}.tmp" "${content}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
