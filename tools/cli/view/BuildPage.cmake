# Builds the view's page: installs the pinned packages of package-lock.json and bundles the page
# with three.js into OUT (index.html, view.js). A failure (no registry, say) leaves OUT without
# the page and says why; the rest of the build goes on.
# Arguments: -DNPM=... -DSOURCE=<page source folder> -DWORK=<scratch folder> -DOUT=<folder>
file(MAKE_DIRECTORY ${WORK} ${OUT})
file(REMOVE ${OUT}/view.js ${OUT}/index.html)
foreach(item package.json package-lock.json)
  configure_file(${SOURCE}/${item} ${WORK}/${item} COPYONLY)
endforeach()
file(REMOVE_RECURSE ${WORK}/src)
file(COPY ${SOURCE}/src DESTINATION ${WORK})
if(NOT EXISTS ${WORK}/node_modules/three/package.json OR
   ${SOURCE}/package-lock.json IS_NEWER_THAN ${WORK}/node_modules/.mirav-installed)
  execute_process(COMMAND ${NPM} ci --no-audit --no-fund --prefer-offline --ignore-scripts
    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE installed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT installed EQUAL 0)
    message(WARNING "mirav-cli view: the page was not built: npm ci failed (offline?):\n${log}")
    return()
  endif()
  file(TOUCH ${WORK}/node_modules/.mirav-installed)
endif()
execute_process(COMMAND ${NPM} run --silent build WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE built OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT built EQUAL 0)
  message(WARNING "mirav-cli view: the page was not built: bundling failed:\n${log}")
  return()
endif()
configure_file(${WORK}/dist/view.js ${OUT}/view.js COPYONLY)
configure_file(${WORK}/src/index.html ${OUT}/index.html COPYONLY)
