#pragma once
// The host side of the VST 2.4 callback (audioMasterCallback): answers a plug-in's questions
// (host version, sample rate, block size, transport and tempo, host identity, canDo) from
// settings the program chooses, and records every request so that tests and the command-line
// host can see what the plug-in asked.
//
// A plug-in reaches its CHostCallback through the static function callback(): while a plug-in
// is being made (its entry point runs) through a per-thread "being made" pointer that
// CVstPlugin sets, afterwards through the effect record's `resvd1`, which belongs to the host.
//
// Threads: settings are changed on the host's UI thread between calls; the plug-in may call on
// any thread, so the request log is guarded by a mutex (this is the host, not the audio path of
// a plug-in). The time information record is per calling thread and refilled on every
// audioMasterGetTime request; it stays valid on that thread until its next request.

#include "vst/AEffectX.h"

#include <map>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One call the plug-in made.
struct HostRequest
{
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    float opt = 0.0f;
    bool withEffect = false;   // the plug-in passed an effect record (false for the first query)
    AEffect* effect = nullptr; // the effect record passed, null for none
    void* ptr = nullptr;       // the pointer argument as passed (valid only during the call)
    std::string text;          // the text of audioMasterCanDo, empty otherwise
    std::thread::id thread;    // the thread the plug-in called on
    // audioMasterAutomate: what the plug-in's getParameter answered for `index` during the call
    // (a host reads the parameter back there); 0 otherwise.
    float readBack = 0.0f;
    // audioMasterProcessEvents: the list's event count, and copies of the first
    // kRecordedEvents events (each at most kRecordedEventBytes bytes of its byteSize).
    VstInt32 eventCount = 0;
    std::vector<std::vector<unsigned char>> events;

    static constexpr VstInt32 kRecordedEvents = 16;
    static constexpr VstInt32 kRecordedEventBytes = 256;
};

class CHostCallback
{
  public:
    CHostCallback();
    CHostCallback(const CHostCallback&) = delete;
    CHostCallback& operator=(const CHostCallback&) = delete;

    // --- What the host answers (change between calls) ---------------------------------------
    VstIntPtr versionAnswer = kVstVersion; // audioMasterVersion; 0 plays a host that refuses
    float sampleRate = 44100.0f;           // Hz, audioMasterGetSampleRate and the time info
    VstInt32 blockSize = 1024;             // frames, audioMasterGetBlockSize
    bool timeInfoAvailable = true;         // false: audioMasterGetTime answers null
    double tempo = 120.0;                  // beats per minute
    VstInt32 timeSigNumerator = 4;
    VstInt32 timeSigDenominator = 4;
    bool playing = true;
    bool recording = false;
    VstInt32 currentId = 0; // audioMasterCurrentId
    std::string vendorString = "Tessel Audio";
    std::string productString = "quar2-host";
    VstInt32 vendorVersion = 1000;
    VstInt32 language = 1;             // English
    VstIntPtr processEventsAnswer = 1; // audioMasterProcessEvents
    std::vector<std::string> canDoTexts = {
        "sendVstEvents",       "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents",
        "receiveVstMidiEvent", "sizeWindow",       "supplyIdle"};
    // Answers that replace the built-in ones, by opcode (also for opcodes not listed above).
    std::map<VstInt32, VstIntPtr> answerOverrides;
    // false plays a host that knows nothing: every request answers 0 (or its override) and no
    // buffer is filled.
    bool builtInAnswers = true;

    // --- Transport --------------------------------------------------------------------------
    // [audio thread] Moves the transport on by `frames` (sample position and, at the current
    // tempo, the quarter-note position) when it plays.
    void advance(VstInt32 frames);
    // [UI thread] Back to sample 0.
    void rewind();
    double samplePosition() const { return samplePos; }
    double ppqPosition() const;

    // --- What the plug-in asked -------------------------------------------------------------
    std::vector<HostRequest> requests() const;
    int count(VstInt32 opcode) const;
    void clearRequests();
    // Whether requests are recorded (true at start). Timed processing turns it off: the answers
    // stay the same, without the record keeping a real host does not do.
    void keepRequests(bool keep) { keeping.store(keep, std::memory_order_relaxed); }
    bool keepsRequests() const { return keeping.load(std::memory_order_relaxed); }
    // Width and height asked for by the last audioMasterSizeWindow, 0 before.
    int requestedWidth() const { return sizeWidth; }
    int requestedHeight() const { return sizeHeight; }

    // --- Connection to plug-ins -------------------------------------------------------------
    // The function handed to a plug-in's entry point.
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    // Binds a made effect to this host (stores this in effect->resvd1).
    void attach(AEffect* effect);
    // [UI thread] While the returned guard lives, calls on this thread that carry no bound
    // effect reach this host: a plug-in asks for the version before its record exists.
    class MakingGuard
    {
      public:
        explicit MakingGuard(CHostCallback* host);
        ~MakingGuard();
        MakingGuard(const MakingGuard&) = delete;
        MakingGuard& operator=(const MakingGuard&) = delete;

      private:
        CHostCallback* previous;
    };

    // The answer of this host to one request (the static callback ends here).
    VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                     float opt);

  private:
    void record(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                float opt);

    mutable std::mutex mutex;
    std::vector<HostRequest> log;
    std::atomic<bool> keeping{true};
    double samplePos = 0.0;
    int sizeWidth = 0;
    int sizeHeight = 0;
};
