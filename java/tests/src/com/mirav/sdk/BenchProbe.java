package com.mirav.sdk;

/** Natives of the benchmark probe: a JNI call counter and the C++ callback baseline. */
final class BenchProbe {
    static {
        System.load(System.getProperty("mirav.probe"));
    }

    private BenchProbe() {}

    /** Wraps the process-wide JNI function table with counting forwarders; true when done. */
    static native boolean installCounter();

    /** JNI functions called by native code since the counter was installed. */
    static native long jniCalls();

    /** Delivered, lost, process CPU seconds and wall seconds of a C callback window. */
    static native double[] cppBaseline(double seconds);

    static native double processCpuSeconds();
}
