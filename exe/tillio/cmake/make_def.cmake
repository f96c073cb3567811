# Writes tillio.def from the export list of tillio.h, so that the names the DLL
# exports are the ones its header declares and callers bind.
# cmake -DHEADER=<tillio.h> -DDEF=<tillio.def> -P make_def.cmake
file(READ ${HEADER} header)
# One row of the list: X(type, Name, (parameters), ...).
string(REGEX MATCHALL "X\\([^,()]+,[ \t]*[A-Za-z0-9_]+[ \t]*,[ \t]*\\(" rows "${header}")
set(text "; Made from tillio.h by make_def.cmake: edit the header, not this file.\nLIBRARY tillio.dll\nEXPORTS\n")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^X\\([^,]+,[ \t]*([A-Za-z0-9_]+).*$" "\\1" name "${row}")
  string(APPEND text "    ${name}\n")
endforeach()
if(NOT rows)
  message(FATAL_ERROR "no export found in ${HEADER}")
endif()
file(WRITE ${DEF} "${text}")
