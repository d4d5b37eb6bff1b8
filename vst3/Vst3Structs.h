#pragma once
// The plain structs of the VST3 binary interface (natural alignment on x86-64, the same on
// Windows and Linux), each with its size and field offsets checked at compile time.

#include <cstddef>

#include "vst3/Vst3Types.h"

namespace vst3
{
class IParameterChanges;
class IEventList;

struct PFactoryInfo
{
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};

struct PClassInfo
{
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};

struct PClassInfo2
{
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};

struct PClassInfoW
{
    char cid[16];
    int32 cardinality;
    char8 category[32];
    char16 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

struct ProcessSetup
{
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};

struct AudioBusBuffers
{
    int32 numChannels;
    uint64 silenceFlags;
    union
    {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

struct ProcessContext
{
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;
    TSamples continousTimeSamples;
    double projectTimeMusic;
    double barPositionMusic;
    double cycleStartMusic;
    double cycleEndMusic;
    double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    uint8 chordKeyNote;
    uint8 chordRootNote;
    int16 chordMask;
    int32 smpteOffsetSubframes;
    uint32 framesPerSecond;
    uint32 frameRateFlags;
    int32 samplesToNextClock;
};

struct ProcessData
{
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct BusInfo
{
    int32 mediaType;
    int32 direction;
    int32 channelCount;
    String128 name;
    int32 busType;
    uint32 flags;
};

struct RoutingInfo
{
    int32 mediaType;
    int32 busIndex;
    int32 channel;
};

struct ParameterInfo
{
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    ParamValue defaultNormalizedValue;
    int32 unitId;
    int32 flags;
};

struct ViewRect
{
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

#define VST3_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type)
static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
VST3_AT(PFactoryInfo, url, 64);
VST3_AT(PFactoryInfo, email, 320);
VST3_AT(PFactoryInfo, flags, 448);
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
VST3_AT(PClassInfo, cardinality, 16);
VST3_AT(PClassInfo, category, 20);
VST3_AT(PClassInfo, name, 52);
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
VST3_AT(PClassInfo2, cardinality, 16);
VST3_AT(PClassInfo2, category, 20);
VST3_AT(PClassInfo2, name, 52);
VST3_AT(PClassInfo2, classFlags, 116);
VST3_AT(PClassInfo2, subCategories, 120);
VST3_AT(PClassInfo2, vendor, 248);
VST3_AT(PClassInfo2, version, 312);
VST3_AT(PClassInfo2, sdkVersion, 376);
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
VST3_AT(PClassInfoW, cardinality, 16);
VST3_AT(PClassInfoW, category, 20);
VST3_AT(PClassInfoW, name, 52);
VST3_AT(PClassInfoW, classFlags, 180);
VST3_AT(PClassInfoW, subCategories, 184);
VST3_AT(PClassInfoW, vendor, 312);
VST3_AT(PClassInfoW, version, 440);
VST3_AT(PClassInfoW, sdkVersion, 568);
static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
VST3_AT(ProcessSetup, symbolicSampleSize, 4);
VST3_AT(ProcessSetup, maxSamplesPerBlock, 8);
VST3_AT(ProcessSetup, sampleRate, 16);
static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
VST3_AT(AudioBusBuffers, silenceFlags, 8);
VST3_AT(AudioBusBuffers, channelBuffers32, 16);
static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
VST3_AT(ProcessData, symbolicSampleSize, 4);
VST3_AT(ProcessData, numSamples, 8);
VST3_AT(ProcessData, numInputs, 12);
VST3_AT(ProcessData, numOutputs, 16);
VST3_AT(ProcessData, inputs, 24);
VST3_AT(ProcessData, outputs, 32);
VST3_AT(ProcessData, inputParameterChanges, 40);
VST3_AT(ProcessData, outputParameterChanges, 48);
VST3_AT(ProcessData, inputEvents, 56);
VST3_AT(ProcessData, outputEvents, 64);
VST3_AT(ProcessData, processContext, 72);
static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
VST3_AT(ProcessContext, sampleRate, 8);
VST3_AT(ProcessContext, projectTimeSamples, 16);
VST3_AT(ProcessContext, systemTime, 24);
VST3_AT(ProcessContext, continousTimeSamples, 32);
VST3_AT(ProcessContext, projectTimeMusic, 40);
VST3_AT(ProcessContext, barPositionMusic, 48);
VST3_AT(ProcessContext, cycleStartMusic, 56);
VST3_AT(ProcessContext, cycleEndMusic, 64);
VST3_AT(ProcessContext, tempo, 72);
VST3_AT(ProcessContext, timeSigNumerator, 80);
VST3_AT(ProcessContext, timeSigDenominator, 84);
VST3_AT(ProcessContext, chordKeyNote, 88);
VST3_AT(ProcessContext, smpteOffsetSubframes, 92);
VST3_AT(ProcessContext, framesPerSecond, 96);
VST3_AT(ProcessContext, samplesToNextClock, 104);
static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
VST3_AT(BusInfo, channelCount, 8);
VST3_AT(BusInfo, name, 12);
VST3_AT(BusInfo, busType, 268);
VST3_AT(BusInfo, flags, 272);
static_assert(sizeof(RoutingInfo) == 12);
VST3_AT(RoutingInfo, channel, 8);
static_assert(sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8);
VST3_AT(ParameterInfo, title, 4);
VST3_AT(ParameterInfo, shortTitle, 260);
VST3_AT(ParameterInfo, units, 516);
VST3_AT(ParameterInfo, stepCount, 772);
VST3_AT(ParameterInfo, defaultNormalizedValue, 776);
VST3_AT(ParameterInfo, unitId, 784);
VST3_AT(ParameterInfo, flags, 788);
static_assert(sizeof(ViewRect) == 16);
VST3_AT(ViewRect, bottom, 12);
#undef VST3_AT
} // namespace vst3
