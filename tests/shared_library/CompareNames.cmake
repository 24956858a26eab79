# Included by the export checks: compares the list `actual` with the names in EXPECTED and fails
# with both differences listed.
list(SORT actual)
list(REMOVE_DUPLICATES actual)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)

set(missing ${expected})
list(REMOVE_ITEM missing ${actual})
set(extra ${actual})
list(REMOVE_ITEM extra ${expected})
if(missing OR extra)
  string(REPLACE ";" "\n  " missing "${missing}")
  string(REPLACE ";" "\n  " extra "${extra}")
  message(FATAL_ERROR "exported names differ\nmissing:\n  ${missing}\nunexpected:\n  ${extra}")
endif()
list(LENGTH actual count)
message(STATUS "${count} exported names, as expected")
