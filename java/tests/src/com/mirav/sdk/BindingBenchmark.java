package com.mirav.sdk;

import com.mirav.sdk.model.FrameOfMocapData;
import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicLong;

/**
 * Java binding against the C++ callback, in one process and one run. For each rate it starts the
 * substitute server ({@code mirav-sim --typical --rate R}) twice: once for a C callback (the
 * baseline, through the probe library), once for a Java data listener. It reports frames/s
 * delivered, frames lost (gaps in frame numbers), process CPU per delivered frame, JNI calls per
 * delivered frame (counted by wrapping the JNI function table) and the number of distinct Java
 * Thread objects that delivered during the window. Then the cost and JNI calls of one {@code getLastFrame} and one {@code
 * getExtendData}. Each figure is the best of the repeats (the machine is shared).
 *
 * <pre>
 * java -Dmirav.probe=libmirav_jni_probe.so -cp mirav-sdk.jar:mirav-sdk-tests.jar \
 *     com.mirav.sdk.BindingBenchmark SIM [seconds] [repeats] [rate,rate,...]
 * </pre>
 */
public final class BindingBenchmark {
    private static final int[] DEFAULT_RATES = {2000, 4000, 6000, 8000, 10000, 12000};

    private BindingBenchmark() {}

    /** One measured window. */
    static final class Window {
        double framesPerSecond;
        long delivered;
        long lost;
        double cpuMicrosPerFrame;
        double jniPerFrame;
        int threads;

        boolean betterThan(Window other) {
            return other == null || lost < other.lost
                || (lost == other.lost && cpuMicrosPerFrame < other.cpuMicrosPerFrame);
        }
    }

    public static void main(String[] args) throws Exception {
        if (args.length < 1) {
            System.err.println("usage: BindingBenchmark SIM [seconds] [repeats] [rates]");
            System.exit(2);
        }
        String sim = args[0];
        double seconds = args.length > 1 ? Double.parseDouble(args[1]) : 3;
        int repeats = args.length > 2 ? Integer.parseInt(args[2]) : 3;
        int[] rates = DEFAULT_RATES;
        if (args.length > 3) {
            String[] parts = args[3].split(",");
            rates = new int[parts.length];
            for (int i = 0; i < parts.length; i++) {
                rates[i] = Integer.parseInt(parts[i].trim());
            }
        }
        if (!BenchProbe.installCounter()) {
            throw new IllegalStateException("the JNI counter could not be installed");
        }
        System.out.printf("%-6s | %-34s | %-56s%n", "rate", "C++ callback (baseline)",
            "Java listener");
        System.out.printf("%-6s | %9s %6s %9s       | %9s %6s %9s %8s %7s%n", "fr/s", "fr/s",
            "lost", "cpu us/fr", "fr/s", "lost", "cpu us/fr", "jni/fr", "threads");
        for (int rate : rates) {
            Window cpp = null;
            Window java = null;
            for (int r = 0; r < repeats; r++) {
                Window c = withServer(sim, rate, seconds, () -> cppWindow(seconds));
                Window j = withServer(sim, rate, seconds, () -> javaWindow(seconds));
                if (c != null && c.betterThan(cpp)) {
                    cpp = c;
                }
                if (j != null && j.betterThan(java)) {
                    java = j;
                }
            }
            System.out.printf("%-6d | %9.0f %6d %9.2f       | %9.0f %6d %9.2f %8.1f %7d%n", rate,
                cpp.framesPerSecond, cpp.lost, cpp.cpuMicrosPerFrame, java.framesPerSecond,
                java.lost, java.cpuMicrosPerFrame, java.jniPerFrame, java.threads);
        }
        withServer(sim, 100, seconds, () -> {
            pollingCosts(repeats);
            return null;
        });
    }

    interface Measurement {
        Window run() throws Exception;
    }

    private static Window withServer(String sim, int rate, double seconds, Measurement m)
        throws Exception {
        Process server = new ProcessBuilder(sim, "--typical", "--rate", Integer.toString(rate),
            "--duration", Double.toString(seconds + 8)).redirectErrorStream(true).start();
        try {
            BufferedReader out = new BufferedReader(
                new InputStreamReader(server.getInputStream(), StandardCharsets.UTF_8));
            String line = out.readLine();
            if (line == null || !line.contains("serving")) {
                throw new IOException("mirav-sim did not start: " + line);
            }
            Thread drain = new Thread(() -> {
                try {
                    while (out.readLine() != null) {
                        // status lines are not needed
                    }
                } catch (IOException ignored) {
                    // the server ended
                }
            });
            drain.setDaemon(true);
            drain.start();
            return m.run();
        } finally {
            server.destroy();
            server.waitFor(5, TimeUnit.SECONDS);
        }
    }

    private static Window cppWindow(double seconds) {
        double[] r = BenchProbe.cppBaseline(seconds);
        if (r[0] < 0) {
            return null;
        }
        Window w = new Window();
        w.delivered = (long) r[0];
        w.lost = (long) r[1];
        w.framesPerSecond = r[0] / r[3];
        w.cpuMicrosPerFrame = r[0] > 0 ? r[2] * 1e6 / r[0] : 0;
        return w;
    }

    private static Window javaWindow(double seconds) throws Exception {
        AtomicLong delivered = new AtomicLong();
        AtomicLong lost = new AtomicLong();
        java.util.Set<Thread> threads = java.util.concurrent.ConcurrentHashMap.newKeySet();
        int[] last = {0};
        try (MiravSDKClient client = new MiravSDKClient()) {
            client.setVerbosityLevel(0);
            client.setDataListener((frame, user) -> {
                int number = frame.getFrame();
                if (last[0] != 0 && number > last[0] + 1) {
                    lost.addAndGet(number - last[0] - 1);
                }
                last[0] = number;
                threads.add(Thread.currentThread());
                delivered.incrementAndGet();
            });
            if (client.initialize("127.0.0.1") != 0) {
                return null;
            }
            long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(5);
            while (delivered.get() == 0 && System.nanoTime() < deadline) {
                Thread.sleep(5);
            }
            Thread.sleep(500);
            long frames0 = delivered.get();
            long lost0 = lost.get();
            threads.clear();
            long jni0 = BenchProbe.jniCalls();
            double cpu0 = BenchProbe.processCpuSeconds();
            long t0 = System.nanoTime();
            Thread.sleep((long) (seconds * 1000));
            Window w = new Window();
            w.delivered = delivered.get() - frames0;
            w.lost = lost.get() - lost0;
            w.threads = threads.size();
            long jni = BenchProbe.jniCalls() - jni0;
            double cpu = BenchProbe.processCpuSeconds() - cpu0;
            double elapsed = (System.nanoTime() - t0) / 1e9;
            w.framesPerSecond = w.delivered / elapsed;
            w.cpuMicrosPerFrame = w.delivered > 0 ? cpu * 1e6 / w.delivered : 0;
            w.jniPerFrame = w.delivered > 0 ? (double) jni / w.delivered : 0;
            client.uninitialize();
            return w;
        }
    }

    /** getLastFrame and getExtendData: best time per call over repeats, and JNI calls per call. */
    private static void pollingCosts(int repeats) throws Exception {
        try (MiravSDKClient client = new MiravSDKClient()) {
            client.setVerbosityLevel(0);
            if (client.initialize("127.0.0.1") != 0) {
                throw new IllegalStateException("no server");
            }
            long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(5);
            while (!client.pumpFrame()) {
                if (System.nanoTime() > deadline) {
                    throw new IllegalStateException("no frame");
                }
                Thread.sleep(1);
            }
            // The pumped frame stays current, so every call converts the same frame again.
            FrameOfMocapData frame = client.getLastFrame();
            System.out.println("typical frame: " + frame.getMarkerSetCount() + " marker sets, "
                + frame.getRigidBodyCount() + " rigid bodies, " + frame.getSkeletonCount()
                + " skeletons, " + frame.getLabeledMarkerCount() + " labelled markers");
            List<String> lines = new ArrayList<>();
            lines.add(cost("getLastFrame", repeats, 5000, client::getLastFrame));
            lines.add(cost("getExtendData", repeats, 2000, client::getExtendData));
            lines.forEach(System.out::println);
            client.uninitialize();
        }
    }

    private static String cost(String name, int repeats, int runs, Runnable call) {
        for (int i = 0; i < runs; i++) {
            call.run();
        }
        double best = Double.MAX_VALUE;
        double jniPerCall = 0;
        for (int r = 0; r < repeats; r++) {
            long jni0 = BenchProbe.jniCalls();
            long t0 = System.nanoTime();
            for (int i = 0; i < runs; i++) {
                call.run();
            }
            double micros = (System.nanoTime() - t0) / 1e3 / runs;
            jniPerCall = (double) (BenchProbe.jniCalls() - jni0) / runs;
            best = Math.min(best, micros);
        }
        return String.format("%-14s %8.2f us per call, %8.1f JNI calls per call", name, best,
            jniPerCall);
    }
}
