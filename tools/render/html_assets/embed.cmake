# Writes OUTPUT, a C++ source whose pageStyleSheet() and pageScript() return
# the style sheet STYLE and the scripts SCRIPTS ('|'-separated, joined in
# that order into one function scope).
file(READ "${STYLE}" style)
string(REPLACE "|" ";" scripts "${SCRIPTS}")
set(script "(function () {\n'use strict';\n")
foreach(part IN LISTS scripts)
  file(READ "${part}" text)
  string(APPEND script "${text}\n")
endforeach()
string(APPEND script "})();\n")
foreach(text IN ITEMS "${style}" "${script}")
  string(FIND "${text}" ")tdf_asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "an asset holds the raw string's closing delimiter")
  endif()
endforeach()
file(WRITE "${OUTPUT}.new" "// Generated from tools/render/html_assets by embed.cmake.\n#include \"html_assets.h\"\n\n"
  "const char* pageStyleSheet()\n{\n    return R\"tdf_asset(${style})tdf_asset\";\n}\n\n"
  "const char* pageScript()\n{\n    return R\"tdf_asset(${script})tdf_asset\";\n}\n")
# Unchanged assets leave the source's time alone, so nothing is rebuilt.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
