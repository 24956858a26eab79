// Compile-time checks of the record layout (64-bit targets).
#ifndef MIRAV_LAYOUT_CHECKS_H
#define MIRAV_LAYOUT_CHECKS_H

#include <cstddef>

#define MIRAV_CHECK_SIZE(T, n) static_assert(sizeof(T) == (n), "size of " #T)
#define MIRAV_CHECK_OFFSET(T, f, n) static_assert(offsetof(T, f) == (n), "offset of " #T "::" #f)

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif

static_assert(sizeof(void*) == 8, "the records are laid out for 64-bit targets");

MIRAV_CHECK_SIZE(sFrameOfMocapData, 1032376);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, frameNumber, 0);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, markerSetCount, 4);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, mocapData, 8);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, otherMarkerCount, 54408);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, otherMarkers, 54416);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, rigidBodyCount, 54424);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, rigidBodies, 54432);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, skeletonCount, 126432);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, skeletons, 126440);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, labeledMarkerCount, 128040);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, labeledMarkers, 128044);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, analogDataCount, 152044);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, analogData, 152048);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, latency, 152176);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, timecode, 152180);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, timecodeSubframe, 152184);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, timeStamp, 152192);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, params, 152200);
MIRAV_CHECK_OFFSET(sFrameOfMocapData, extendData, 152208);

MIRAV_CHECK_SIZE(sMarkerSetData, 272);
MIRAV_CHECK_OFFSET(sMarkerSetData, name, 0);
MIRAV_CHECK_OFFSET(sMarkerSetData, markerCount, 256);
MIRAV_CHECK_OFFSET(sMarkerSetData, markers, 264);

MIRAV_CHECK_SIZE(sRigidBodyData, 72);
MIRAV_CHECK_OFFSET(sRigidBodyData, id, 0);
MIRAV_CHECK_OFFSET(sRigidBodyData, x, 4);
MIRAV_CHECK_OFFSET(sRigidBodyData, y, 8);
MIRAV_CHECK_OFFSET(sRigidBodyData, z, 12);
MIRAV_CHECK_OFFSET(sRigidBodyData, qx, 16);
MIRAV_CHECK_OFFSET(sRigidBodyData, qy, 20);
MIRAV_CHECK_OFFSET(sRigidBodyData, qz, 24);
MIRAV_CHECK_OFFSET(sRigidBodyData, qw, 28);
MIRAV_CHECK_OFFSET(sRigidBodyData, markerCount, 32);
MIRAV_CHECK_OFFSET(sRigidBodyData, markers, 40);
MIRAV_CHECK_OFFSET(sRigidBodyData, markerIds, 48);
MIRAV_CHECK_OFFSET(sRigidBodyData, markerSizes, 56);
MIRAV_CHECK_OFFSET(sRigidBodyData, meanError, 64);
MIRAV_CHECK_OFFSET(sRigidBodyData, params, 68);

MIRAV_CHECK_SIZE(sSkeletonData, 16);
MIRAV_CHECK_OFFSET(sSkeletonData, skeletonId, 0);
MIRAV_CHECK_OFFSET(sSkeletonData, rigidBodyCount, 4);
MIRAV_CHECK_OFFSET(sSkeletonData, rigidBodyData, 8);

MIRAV_CHECK_SIZE(sMarker, 24);
MIRAV_CHECK_OFFSET(sMarker, id, 0);
MIRAV_CHECK_OFFSET(sMarker, x, 4);
MIRAV_CHECK_OFFSET(sMarker, y, 8);
MIRAV_CHECK_OFFSET(sMarker, z, 12);
MIRAV_CHECK_OFFSET(sMarker, size, 16);
MIRAV_CHECK_OFFSET(sMarker, reserved, 20);

MIRAV_CHECK_SIZE(sFrameExtendData, 880168);
MIRAV_CHECK_OFFSET(sFrameExtendData, extendDataNum, 0);
MIRAV_CHECK_OFFSET(sFrameExtendData, blocks, 8);
MIRAV_CHECK_SIZE(sExtendDataBlock, 88016);
MIRAV_CHECK_OFFSET(sExtendDataBlock, type, 0);
MIRAV_CHECK_OFFSET(sExtendDataBlock, itemCount, 4);
MIRAV_CHECK_OFFSET(sExtendDataBlock, byteLength, 8);
MIRAV_CHECK_OFFSET(sExtendDataBlock, items, 16);
MIRAV_CHECK_SIZE(sRigidBodyExtendData, 88);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, id, 0);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, roll, 4);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, pitch, 8);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, yaw, 12);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, rollVel, 16);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, pitchVel, 20);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, yawVel, 24);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, rollAvel, 28);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, pitchAvel, 32);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, yawAvel, 36);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, xVel, 40);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, yVel, 44);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, zVel, 48);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, rVel, 52);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, xAvel, 56);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, yAvel, 60);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, zAvel, 64);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, rAvel, 68);
MIRAV_CHECK_OFFSET(sRigidBodyExtendData, reserved, 72);

MIRAV_CHECK_SIZE(sDataDescriptions, 3208);
MIRAV_CHECK_OFFSET(sDataDescriptions, descriptionCount, 0);
MIRAV_CHECK_OFFSET(sDataDescriptions, descriptions, 8);
MIRAV_CHECK_SIZE(sDataDescription, 16);
MIRAV_CHECK_OFFSET(sDataDescription, type, 0);
MIRAV_CHECK_OFFSET(sDataDescription, Data, 8);

MIRAV_CHECK_SIZE(sMarkerSetDescription, 272);
MIRAV_CHECK_OFFSET(sMarkerSetDescription, name, 0);
MIRAV_CHECK_OFFSET(sMarkerSetDescription, markerCount, 256);
MIRAV_CHECK_OFFSET(sMarkerSetDescription, markerNames, 264);

MIRAV_CHECK_SIZE(sRigidBodyDescription, 292);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, name, 0);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, id, 256);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, parentId, 260);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, offsetX, 264);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, offsetY, 268);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, offsetZ, 272);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, qx, 276);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, qy, 280);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, qz, 284);
MIRAV_CHECK_OFFSET(sRigidBodyDescription, qw, 288);

MIRAV_CHECK_SIZE(sSkeletonDescription, 58664);
MIRAV_CHECK_OFFSET(sSkeletonDescription, name, 0);
MIRAV_CHECK_OFFSET(sSkeletonDescription, skeletonId, 256);
MIRAV_CHECK_OFFSET(sSkeletonDescription, rigidBodyCount, 260);
MIRAV_CHECK_OFFSET(sSkeletonDescription, rigidBodies, 264);

MIRAV_CHECK_SIZE(sForcePlateDescription, 8584);
MIRAV_CHECK_OFFSET(sForcePlateDescription, channelScale, 4);
MIRAV_CHECK_OFFSET(sForcePlateDescription, origin, 16);
MIRAV_CHECK_OFFSET(sForcePlateDescription, geometry, 28);
MIRAV_CHECK_OFFSET(sForcePlateDescription, orientation, 40);
MIRAV_CHECK_OFFSET(sForcePlateDescription, calibration, 76);
MIRAV_CHECK_OFFSET(sForcePlateDescription, plateKind, 380);
MIRAV_CHECK_OFFSET(sForcePlateDescription, channelCount, 388);
MIRAV_CHECK_OFFSET(sForcePlateDescription, channelNames, 392);

MIRAV_CHECK_SIZE(sPositionSetDescription, 272);
MIRAV_CHECK_OFFSET(sPositionSetDescription, name, 0);
MIRAV_CHECK_OFFSET(sPositionSetDescription, pointCount, 256);
MIRAV_CHECK_OFFSET(sPositionSetDescription, points, 264);

MIRAV_CHECK_SIZE(sOpaqueDescription, 20);

MIRAV_CHECK_SIZE(sServerDescription, 525);
MIRAV_CHECK_OFFSET(sServerDescription, hostPresent, 0);
MIRAV_CHECK_OFFSET(sServerDescription, hostComputerName, 1);
MIRAV_CHECK_OFFSET(sServerDescription, hostComputerAddress, 257);
MIRAV_CHECK_OFFSET(sServerDescription, hostApp, 261);
MIRAV_CHECK_OFFSET(sServerDescription, hostAppVersion, 517);
MIRAV_CHECK_OFFSET(sServerDescription, sdkVersion, 521);

MIRAV_CHECK_SIZE(sForcePlates, 232);
MIRAV_CHECK_OFFSET(sForcePlates, frameNumber, 0);
MIRAV_CHECK_OFFSET(sForcePlates, forcePlateCount, 4);
MIRAV_CHECK_OFFSET(sForcePlates, forcePlates, 8);
MIRAV_CHECK_SIZE(sForcePlateData, 28);
MIRAV_CHECK_OFFSET(sForcePlateData, fx, 0);
MIRAV_CHECK_OFFSET(sForcePlateData, fy, 4);
MIRAV_CHECK_OFFSET(sForcePlateData, fz, 8);
MIRAV_CHECK_OFFSET(sForcePlateData, copX, 12);
MIRAV_CHECK_OFFSET(sForcePlateData, copY, 16);
MIRAV_CHECK_OFFSET(sForcePlateData, copZ, 20);
MIRAV_CHECK_OFFSET(sForcePlateData, tz, 24);

MIRAV_CHECK_SIZE(sFrameHostTiming, 48);
MIRAV_CHECK_OFFSET(sFrameHostTiming, size, 0);
MIRAV_CHECK_OFFSET(sFrameHostTiming, captureTime, 8);
MIRAV_CHECK_OFFSET(sFrameHostTiming, captureUncertainty, 16);
MIRAV_CHECK_OFFSET(sFrameHostTiming, arrivalTime, 24);
MIRAV_CHECK_OFFSET(sFrameHostTiming, deliveryTime, 32);
MIRAV_CHECK_OFFSET(sFrameHostTiming, estimatedRate, 40);

MIRAV_CHECK_SIZE(sNotifyMsg, 136);
MIRAV_CHECK_SIZE(sFrameOfAnalogChannelData, 9640);

MIRAV_CHECK_SIZE(sStreamStatistics, 112);
MIRAV_CHECK_OFFSET(sStreamStatistics, size, 0);
MIRAV_CHECK_OFFSET(sStreamStatistics, kernelDropsReported, 4);
MIRAV_CHECK_OFFSET(sStreamStatistics, datagramsReceived, 8);
MIRAV_CHECK_OFFSET(sStreamStatistics, bytesReceived, 16);
MIRAV_CHECK_OFFSET(sStreamStatistics, framesDelivered, 24);
MIRAV_CHECK_OFFSET(sStreamStatistics, framesMissing, 32);
MIRAV_CHECK_OFFSET(sStreamStatistics, framesOutOfOrder, 40);
MIRAV_CHECK_OFFSET(sStreamStatistics, framesDroppedByQueue, 48);
MIRAV_CHECK_OFFSET(sStreamStatistics, messagesAbandoned, 56);
MIRAV_CHECK_OFFSET(sStreamStatistics, messagesKernelDiscarded, 64);
MIRAV_CHECK_OFFSET(sStreamStatistics, datagramsMalformed, 72);
MIRAV_CHECK_OFFSET(sStreamStatistics, fragmentsRepeated, 80);
MIRAV_CHECK_OFFSET(sStreamStatistics, datagramsForeign, 88);
MIRAV_CHECK_OFFSET(sStreamStatistics, kernelDrops, 96);
MIRAV_CHECK_OFFSET(sStreamStatistics, millisecondsSinceLastFrame, 104);

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#undef MIRAV_CHECK_SIZE
#undef MIRAV_CHECK_OFFSET

#endif
