#include "records/CompactFrame.h"

#include <cstddef>
#include <cstring>

#include "records/FrameCounts.h"

namespace mirav {
namespace {

// The fields after the labelled markers up to the extended data (analog values, latency,
// timecode, time stamp, flags and their padding), kept as one run of bytes.
constexpr size_t kTailBegin = offsetof(sFrameOfMocapData, analogDataCount);
constexpr size_t kTailEnd = offsetof(sFrameOfMocapData, extendData);
constexpr size_t kBlockHeaderSize = offsetof(sExtendDataBlock, items);
constexpr int kRigidBodyKinematicsBlock = 1;

// Packing runs twice over the same walk: once to measure, once to write.
class SizeSink {
public:
    void Put(const void*, size_t bytes) { size_ += bytes; }
    size_t Size() const { return size_; }

private:
    size_t size_ = 0;
};

class WriteSink {
public:
    explicit WriteSink(uint8_t* out) : out_(out) {}
    void Put(const void* data, size_t bytes) {
        if (bytes == 0) return;
        std::memcpy(out_, data, bytes);
        out_ += bytes;
    }

private:
    uint8_t* out_;
};

template <class Sink>
void PutInt(Sink& sink, int32_t value) {
    sink.Put(&value, sizeof value);
}

template <class Sink, class T>
void PutArray(Sink& sink, const T* array, int32_t count) {
    if (array != nullptr && count > 0) sink.Put(array, sizeof(T) * static_cast<size_t>(count));
}

// A rigid body or bone: the record as it is (its pointers only say which arrays follow), then
// the arrays that exist and have a positive count.
template <class Sink>
void PutBody(Sink& sink, const sRigidBodyData& body) {
    sink.Put(&body, sizeof body);
    PutArray(sink, body.markers, body.markerCount);
    PutArray(sink, body.markerIds, body.markerCount);
    PutArray(sink, body.markerSizes, body.markerCount);
}

template <class Sink>
void PutFrame(Sink& sink, const sFrameOfMocapData& frame) {
    PutInt(sink, frame.frameNumber);
    const int sets = ClampedMarkerSetCount(frame);
    PutInt(sink, sets);
    for (int i = 0; i < sets; ++i) {
        const sMarkerSetData& set = frame.mocapData[i];
        sink.Put(&set, sizeof set);
        PutArray(sink, set.markers, set.markerCount);
    }
    PutInt(sink, frame.otherMarkerCount);
    PutInt(sink, frame.otherMarkers != nullptr ? 1 : 0);
    PutArray(sink, frame.otherMarkers, frame.otherMarkerCount);
    const int bodies = ClampedRigidBodyCount(frame);
    PutInt(sink, bodies);
    for (int i = 0; i < bodies; ++i) PutBody(sink, frame.rigidBodies[i]);
    const int skeletons = ClampedSkeletonCount(frame);
    PutInt(sink, skeletons);
    for (int i = 0; i < skeletons; ++i) {
        sSkeletonData skeleton = frame.skeletons[i];
        skeleton.rigidBodyCount = ClampedBoneCount(skeleton);
        sink.Put(&skeleton, sizeof skeleton);
        if (skeleton.rigidBodyData == nullptr) continue;
        for (int j = 0; j < skeleton.rigidBodyCount; ++j) PutBody(sink, skeleton.rigidBodyData[j]);
    }
    const int labeled = ClampedLabeledMarkerCount(frame);
    PutInt(sink, labeled);
    PutArray(sink, frame.labeledMarkers, labeled);
    sink.Put(reinterpret_cast<const uint8_t*>(&frame) + kTailBegin, kTailEnd - kTailBegin);
    const sFrameExtendData& extend = frame.extendData;
    sink.Put(&extend, offsetof(sFrameExtendData, blocks));
    for (int b = 0, n = ClampCount(extend.extendDataNum, MAX_EXTEND_BLOCKS); b < n; ++b) {
        const sExtendDataBlock& block = extend.blocks[b];
        sink.Put(&block, kBlockHeaderSize);
        const int items = block.type == kRigidBodyKinematicsBlock
                              ? ClampCount(block.itemCount, MAX_EXTEND_ITEMS)
                              : 0;
        PutArray(sink, block.items, items);
    }
}

// Reads back what PutFrame wrote; the bytes are our own, so no bounds are checked.
class Cursor {
public:
    explicit Cursor(const uint8_t* in) : in_(in) {}
    void Get(void* data, size_t bytes) {
        if (bytes == 0) return;
        std::memcpy(data, in_, bytes);
        in_ += bytes;
    }
    int32_t Int() {
        int32_t value = 0;
        Get(&value, sizeof value);
        return value;
    }
    // An array of count elements into storage from take(count), or null when the packed frame
    // had none.
    template <class T, class Take>
    T* Array(bool present, int32_t count, Take take) {
        if (!present || count <= 0) return nullptr;
        T* array = take(static_cast<size_t>(count));
        Get(array, sizeof(T) * static_cast<size_t>(count));
        return array;
    }

private:
    const uint8_t* in_;
};

void GetBody(Cursor& in, ReusableRecord& record, BodyPlace place, sRigidBodyData& body) {
    in.Get(&body, sizeof body);
    const int32_t count = body.markerCount;
    const bool points = body.markers != nullptr;
    const bool ids = body.markerIds != nullptr;
    const bool sizes = body.markerSizes != nullptr;
    // The pointers read above are the packed frame's; none of them is kept.
    body.markers = nullptr;
    body.markerIds = nullptr;
    body.markerSizes = nullptr;
    body.markers =
        in.Array<MarkerData>(points, count, [&](size_t n) { return record.BodyPoints(place, n); });
    body.markerIds =
        in.Array<int32_t>(ids, count, [&](size_t n) { return record.BodyIds(place, n); });
    body.markerSizes =
        in.Array<float>(sizes, count, [&](size_t n) { return record.BodySizes(place, n); });
}

}  // namespace

CompactFrame CompactFrame::Pack(const sFrameOfMocapData& frame) {
    SizeSink size;
    PutFrame(size, frame);
    CompactFrame packed;
    packed.bytes_.reset(new uint8_t[size.Size()]);
    packed.size_ = size.Size();
    WriteSink out(packed.bytes_.get());
    PutFrame(out, frame);
    return packed;
}

int32_t CompactFrame::FrameNumber() const {
    int32_t number = 0;
    if (bytes_) std::memcpy(&number, bytes_.get(), sizeof number);
    return number;
}

void CompactFrame::Unpack(ReusableRecord& record) const {
    sFrameOfMocapData& r = record.Record();
    Cursor in(bytes_.get());
    // Every count is stored before the arrays of its section are taken from the record.
    r.frameNumber = in.Int();
    r.markerSetCount = in.Int();
    for (int i = 0; i < r.markerSetCount; ++i) {
        sMarkerSetData& set = r.mocapData[i];
        in.Get(&set, sizeof set);
        const bool present = set.markers != nullptr;
        set.markers = nullptr;
        set.markers = in.Array<MarkerData>(present, set.markerCount,
                                           [&](size_t n) { return record.MarkerSetPoints(i, n); });
    }
    r.otherMarkerCount = in.Int();
    const bool other = in.Int() != 0;
    r.otherMarkers = in.Array<MarkerData>(other, r.otherMarkerCount,
                                          [&](size_t n) { return record.OtherPoints(n); });
    r.rigidBodyCount = in.Int();
    for (int i = 0; i < r.rigidBodyCount; ++i) {
        GetBody(in, record, BodyPlace{-1, i}, r.rigidBodies[i]);
    }
    r.skeletonCount = in.Int();
    for (int s = 0; s < r.skeletonCount; ++s) {
        sSkeletonData& skeleton = r.skeletons[s];
        in.Get(&skeleton, sizeof skeleton);
        const bool present = skeleton.rigidBodyData != nullptr;
        skeleton.rigidBodyData = nullptr;
        // A bone array of no bones becomes null, as in any copy of a frame.
        if (!present || skeleton.rigidBodyCount <= 0) continue;
        sRigidBodyData* bones = record.Bones(s, static_cast<size_t>(skeleton.rigidBodyCount));
        skeleton.rigidBodyData = bones;
        for (int j = 0; j < skeleton.rigidBodyCount; ++j) {
            GetBody(in, record, BodyPlace{s, j}, bones[j]);
        }
    }
    r.labeledMarkerCount = in.Int();
    in.Get(r.labeledMarkers, sizeof(sMarker) * static_cast<size_t>(r.labeledMarkerCount));
    in.Get(reinterpret_cast<uint8_t*>(&r) + kTailBegin, kTailEnd - kTailBegin);
    r.analogDataCount = ClampedAnalogCount(r);
    sFrameExtendData& extend = r.extendData;
    in.Get(&extend, offsetof(sFrameExtendData, blocks));
    for (int b = 0, n = ClampCount(extend.extendDataNum, MAX_EXTEND_BLOCKS); b < n; ++b) {
        sExtendDataBlock& block = extend.blocks[b];
        in.Get(&block, kBlockHeaderSize);
        const int items = block.type == kRigidBodyKinematicsBlock
                              ? ClampCount(block.itemCount, MAX_EXTEND_ITEMS)
                              : 0;
        in.Get(block.items, sizeof(sRigidBodyExtendData) * static_cast<size_t>(items));
    }
    record.NoteUse();
}

}  // namespace mirav
