package com.mirav.sdk;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.mirav.sdk.MiravSDKTypes.DataDescriptors;
import com.mirav.sdk.model.DataDescription;
import com.mirav.sdk.model.DataDescriptions;
import com.mirav.sdk.model.FrameOfMocapData;
import com.mirav.sdk.model.RigidBodyDescription;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Names with characters outside the basic plane through the substitute server, and look-ups. */
@Tag("live")
class NamesTest {
    static final String SKELETON = "Läufer😀";
    static final String[] BONES = {"Hüfte", "骨盤𠀋", "😀Hand"};

    /** A two-frame motion file whose joints carry the names above, the last one 300 bytes long. */
    private static Path writeTake(Path dir, String longName) throws Exception {
        StringBuilder b = new StringBuilder("HIERARCHY\nROOT " + BONES[0] + "\n{\n  OFFSET 0 0 0\n"
            + "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n");
        String[] children = {BONES[1], BONES[2], longName};
        for (String child : children) {
            b.append("  JOINT ").append(child).append("\n  {\n    OFFSET 0 1 0\n"
                + "    CHANNELS 3 Zrotation Xrotation Yrotation\n"
                + "    End Site\n    {\n      OFFSET 0 1 0\n    }\n  }\n");
        }
        b.append("}\nMOTION\nFrames: 2\nFrame Time: 0.01\n");
        String zeros = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
        b.append(zeros).append(zeros);
        Path file = dir.resolve(SKELETON + ".bvh");
        Files.write(file, b.toString().getBytes(StandardCharsets.UTF_8));
        return file;
    }

    @Test
    void fourByteNamesArriveExactlyAndLookUpsFindThem(@TempDir Path dir) throws Exception {
        // 254 ASCII bytes, then a 4-byte character that the 256-byte name field cuts.
        String longName = "n".repeat(254) + "😀tail";
        Path take = writeTake(dir, longName);
        Process server = new ProcessBuilder(System.getProperty("mirav.sim"), "--bind", "127.0.0.1",
            "--bvh", take.toString(), "--rate", "100", "--duration", "60").inheritIO().start();
        try (MiravSDKClient client = new MiravSDKClient()) {
            Thread.sleep(300);
            int result = -1;
            for (int attempt = 0; attempt < 10 && result != 0; attempt++) {
                result = client.initialize("127.0.0.1");
            }
            assertEquals(0, result);
            DataDescriptions set = client.getDataDescriptions();
            assertNotNull(set);
            RigidBodyDescription[] bones = null;
            for (DataDescription d : set.getDataDescriptions()) {
                if (d != null && d.getType() == DataDescriptors.Descriptor_Skeleton) {
                    assertEquals(SKELETON, d.getSkeletonDescription().getName());
                    bones = d.getSkeletonDescription().getRigidBodies();
                }
            }
            assertNotNull(bones, "the skeleton is described");
            for (int i = 0; i < BONES.length; i++) {
                assertEquals(BONES[i], bones[i].getName());
            }
            String cut = bones[3].getName();
            assertTrue(cut.startsWith("n".repeat(254)), cut);
            assertEquals("\uFFFD", cut.substring(254), "a character cut by the field");

            // The process-wide queue may still hold frames of an earlier server: pump until a
            // frame of this take (one skeleton, nothing else) is current.
            long end = System.nanoTime() + TimeUnit.SECONDS.toNanos(5);
            boolean ours = false;
            while (!ours && System.nanoTime() < end) {
                if (client.pumpFrame()) {
                    FrameOfMocapData frame = client.getLastFrame();
                    ours = frame.getSkeletonCount() == 1 && frame.getRigidBodyCount() == 0;
                } else {
                    Thread.sleep(5);
                }
            }
            assertTrue(ours, "a frame of the take arrives");
            for (String bone : BONES) {
                assertNotNull(client.getSkeletonBoneByName(SKELETON, bone), bone);
            }
            assertNull(client.getSkeletonBoneByName(SKELETON, "Hufte"));
            assertEquals(0, client.uninitialize());
        } finally {
            server.destroy();
            server.waitFor(10, TimeUnit.SECONDS);
        }
    }
}
