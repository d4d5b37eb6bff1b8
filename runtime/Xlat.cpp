#include "runtime/Xlat.h"

#include <cstring>

#include "runtime/SampleOutput.h"

void TXlat::DoOpen()
{
    Clear();
    ClearStrings();
    ResetScriptGraphics();
    lastRedrawTicks = 0;
}

void TXlat::DoResume()
{
    DoInit();
    DoSlider();
}

void TXlat::DoEnsureInit()
{
    if (initCount == 0) DoInit();
    if (initCount < INT32_MAX) ++initCount;
}

void TXlat::DoGfx(double /*width*/, double /*height*/) {}

void TXlat::DoIdle()
{
    if (!(redrawRate > 0.0)) return;
    const int32_t now = MilliClock();
    if (static_cast<double>(MilliClockSince(now, lastRedrawTicks)) > 1000.0 / redrawRate)
    {
        HostRedraw();
        lastRedrawTicks = MilliClock();
    }
}

int32_t TXlat::GetState(void** data)
{
    ResetSlot(0, FileSlot::kWrite);
    FileWrite(0, kChunkMarker);
    const size_t markerOnly = files[0].buffer.size();
    DoSerialize();
    FileSlot& slot = files[0];
    if (slot.buffer.size() == markerOnly) return 0;
    if (data != nullptr) *data = slot.buffer.data();
    return static_cast<int32_t>(slot.buffer.size() * sizeof(float));
}

int32_t TXlat::SetState(const void* data, int32_t byteCount)
{
    ResetSlot(0, FileSlot::kRead);
    FileSlot& slot = files[0];
    if (data != nullptr && byteCount >= 4)
    {
        const size_t count = static_cast<size_t>(byteCount) / sizeof(float);
        slot.buffer.resize(count);
        std::memcpy(slot.buffer.data(), data, count * sizeof(float));
    }
    if (slot.buffer.empty() || slot.buffer[0] != kChunkMarker) return byteCount;
    slot.position = 1;
    DoEnsureInit();
    DoSerialize();
    NoteSliderChange();
    DoSlider();
    return byteCount;
}

template <typename Sample>
void TXlat::SamplesFrameByFrame(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                int32_t frames)
{
    double* ch = samples.data();
    for (int32_t i = 0; i < frames; ++i)
    {
        ch[0] = static_cast<double>(in0[i]);
        ch[1] = static_cast<double>(in1[i]);
        DoSample();
        out0[i] = ToOutput<Sample>(ch[0]);
        out1[i] = ToOutput<Sample>(ch[1]);
    }
}

void TXlat::DoSamples(const float* in0, const float* in1, float* out0, float* out1, int32_t frames)
{
    SamplesFrameByFrame(in0, in1, out0, out1, frames);
}

void TXlat::DoSamples(const double* in0, const double* in1, double* out0, double* out1,
                      int32_t frames)
{
    SamplesFrameByFrame(in0, in1, out0, out1, frames);
}

template void TXlat::SamplesFrameByFrame(const float*, const float*, float*, float*, int32_t);
template void TXlat::SamplesFrameByFrame(const double*, const double*, double*, double*, int32_t);
