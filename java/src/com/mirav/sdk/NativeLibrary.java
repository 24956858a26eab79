package com.mirav.sdk;

import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Locale;

/**
 * Loads the native binding: from java.library.path when it is there, otherwise from the copies
 * packed in this jar, extracted once into a private temporary folder.
 */
final class NativeLibrary {
    static final String BINDING = "mirav_sdk_jni";
    private static final String RESOURCE_ROOT = "/com/mirav/sdk/native/";
    private static boolean loaded;

    private NativeLibrary() {}

    static synchronized void load() {
        if (loaded) {
            return;
        }
        try {
            System.loadLibrary(BINDING);
        } catch (UnsatisfiedLinkError notOnPath) {
            try {
                loadPacked();
            } catch (IOException | UnsatisfiedLinkError packedFailure) {
                UnsatisfiedLinkError error = new UnsatisfiedLinkError(
                    "cannot load " + BINDING + " from java.library.path ("
                    + notOnPath.getMessage() + ") nor from the jar: " + packedFailure);
                error.initCause(packedFailure);
                throw error;
            }
        }
        loaded = true;
    }

    /** Folder name of the packed libraries for this platform, for example linux-x86_64. */
    static String platform() {
        String os = System.getProperty("os.name").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch").toLowerCase(Locale.ROOT);
        if (arch.equals("amd64")) {
            arch = "x86_64";
        }
        String family = os.startsWith("windows") ? "windows" : os.startsWith("mac") ? "macos" : "linux";
        return family + "-" + arch;
    }

    private static void loadPacked() throws IOException {
        String folder = RESOURCE_ROOT + platform() + "/";
        String[] names = readIndex(folder);
        // Files.createTempDirectory gives an owner-only folder on POSIX systems.
        Path dir = Files.createTempDirectory("mirav-sdk-");
        dir.toFile().deleteOnExit();
        Path binding = null;
        for (String name : names) {
            Path target = dir.resolve(name);
            try (InputStream in = NativeLibrary.class.getResourceAsStream(folder + name)) {
                if (in == null) {
                    throw new IOException("missing resource " + folder + name);
                }
                Files.copy(in, target, StandardCopyOption.REPLACE_EXISTING);
            }
            target.toFile().deleteOnExit();
            if (name.equals(System.mapLibraryName(BINDING))) {
                binding = target;
            }
        }
        if (binding == null) {
            throw new IOException("no " + BINDING + " packed for " + platform());
        }
        // Dependencies first, in index order, so the binding finds them already loaded.
        for (String name : names) {
            Path library = dir.resolve(name);
            if (!library.equals(binding)) {
                System.load(library.toAbsolutePath().toString());
            }
        }
        System.load(binding.toAbsolutePath().toString());
    }

    /** The packed file names, one a line, dependencies before the binding. */
    private static String[] readIndex(String folder) throws IOException {
        try (InputStream in = NativeLibrary.class.getResourceAsStream(folder + "libraries.txt")) {
            if (in == null) {
                throw new IOException("no native libraries packed for " + platform());
            }
            String text = new String(in.readAllBytes(), java.nio.charset.StandardCharsets.UTF_8);
            return text.lines().map(String::trim).filter(s -> !s.isEmpty()).toArray(String[]::new);
        }
    }
}
