# Copies CLASSES_JAR to OUTPUT_JAR and adds the native LIBRARIES (separated by commas, dependencies
# first) under com/mirav/sdk/native/PLATFORM/ together with an index file listing them in order.
set(folder com/mirav/sdk/native/${PLATFORM})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/${folder})
string(REPLACE "," ";" libraries "${LIBRARIES}")
set(index "")
foreach(library IN LISTS libraries)
  get_filename_component(name ${library} NAME)
  get_filename_component(real ${library} REALPATH)  # the SONAME link's target, copied as a file
  file(COPY_FILE ${real} ${STAGE}/${folder}/${name})
  string(APPEND index "${name}\n")
endforeach()
file(WRITE ${STAGE}/${folder}/libraries.txt "${index}")
file(COPY_FILE ${CLASSES_JAR} ${OUTPUT_JAR})
execute_process(COMMAND ${JAR_TOOL} uf ${OUTPUT_JAR} -C ${STAGE} com
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "jar update failed: ${result}")
endif()
