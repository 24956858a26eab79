# Runs the JUnit console launcher on a JVM with -Xcheck:jni and fails when a test fails or when
# the JVM printed any JNI warning.
execute_process(
  COMMAND ${JAVA} -Xcheck:jni -Dmirav.probe=${PROBE} -Dmirav.sim=${SIM}
    -jar ${CONSOLE} -cp ${CLASSPATH} --scan-class-path --disable-banner
    --details=tree --disable-ansi-colors --fail-if-no-tests ${ARGS}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
message("${out}")
message("${err}")
set(all "${out}\n${err}")
if(all MATCHES "WARNING in native method|WARNING: JNI|FATAL ERROR in native method|Warning: Calling other JNI")
  message(FATAL_ERROR "the JVM reported a JNI warning")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "JUnit failed: ${result}")
endif()
