# Installs the pinned playwright-core into WORK; when npm cannot (no registry), says so and
# leaves the browser test to skip.
configure_file(${SOURCE}/package.json ${WORK}/package.json COPYONLY)
configure_file(${SOURCE}/package-lock.json ${WORK}/package-lock.json COPYONLY)
execute_process(COMMAND ${NPM} ci --no-audit --no-fund --prefer-offline --ignore-scripts
  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE installed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT installed EQUAL 0)
  message(WARNING "browser test: playwright-core not installed, the test will skip:\n${log}")
endif()
