# Writes the scenario scripts into a C++ source as raw string literals, so the instance
# loads them without touching the file system. INPUTS (files),
# NAMES (symbols) and OUT set by the including CMakeLists.
set(_text "// Generated from the scenario scripts; do not edit.\nnamespace sim::dictionary {\n")
list(LENGTH INPUTS _count)
math(EXPR _last "${_count} - 1")
foreach(_i RANGE ${_last})
  list(GET INPUTS ${_i} _in)
  list(GET NAMES ${_i} _name)
  file(READ ${_in} _body)
  string(APPEND _text "extern const char *const ${_name};\nconst char *const ${_name} = R\"SCENARIO(${_body})SCENARIO\";\n")
endforeach()
string(APPEND _text "}\n")
file(WRITE ${OUT}.tmp "${_text}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
